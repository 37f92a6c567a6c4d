#include "files/bulk_review.h"

#include "base/culture.h"
#include "files/section_parts.h"
#include "records/run_frame.h"
#include "shell/style.h"

#include <algorithm>

namespace vexo::files {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

constexpr double kMb = kBytesInMb;
constexpr double kGb = kBytesInGb;
constexpr int kWidth = 820;
constexpr int kHeight = 580;

// Where a dialog of this size sits centred on the window that hosts `owner`.
toolkit::Rect CentredOn(const toolkit::Control& owner) {
    const toolkit::Control* top = &owner;
    while (top->parent()) {
        top = top->parent();
    }
    const toolkit::Rect b = top->bounds();
    return {b.x + (b.width - kWidth) / 2, b.y + (b.height - kHeight) / 2, kWidth, kHeight};
}

// The dialog and its one run. It lives on the stack of OpenBulkReview22, so
// the run's stop action, which the busy protocol holds, never outlives it.
class BulkReview {
public:
    BulkReview(toolkit::Form& owner, std::shared_ptr<index::VexoEngine13> engine,
               const index::VexoPage13& set, const std::vector<std::string>& roots,
               BulkReviewServices services)
        : owner_(owner), engine_(std::move(engine)), set_(set), roots_(roots),
          context_(services.context), culture_(services.context.Culture()),
          run_(services.context.Machine(), services.reports, services.context) {}

    void Show() {
        Build();
        context_.Style(*form_);
        shell::MakeDestructive(*confirm_);
        form_->showModal(&owner_);
    }

private:
    void Build() {
        toolkit::FormArgs formArgs;
        formArgs.text = std::string(kReviewTitle);
        formArgs.bounds = CentredOn(owner_);
        formArgs.minimumSize = toolkit::Size{680, 470};
        formArgs.rightToLeft = true;
        formArgs.centerOnScreen = false;
        formArgs.minimizeBox = false;
        formArgs.accessibleName = "bulk-review";
        form_ = std::make_unique<toolkit::Form>(context_.App(), formArgs);
        form_->setFont(owner_.font());

        toolkit::TableLayoutArgs tableArgs;
        tableArgs.dock = Dock::Fill;
        tableArgs.margin = Spacing{};
        tableArgs.padding = Spacing::all(18);
        tableArgs.columns = {toolkit::Track::percent(100)};
        tableArgs.rows = {toolkit::Track::pixels(88), toolkit::Track::fill(),
                          toolkit::Track::pixels(66), toolkit::Track::pixels(58)};
        auto* table = form_->add<toolkit::TableLayout>(tableArgs);

        toolkit::LabelArgs headingArgs;
        headingArgs.text = ReviewHeading(set_, culture_);
        headingArgs.dock = Dock::Fill;
        headingArgs.font = toolkit::Font{"Segoe UI", 12.0f, true};
        heading_ = table->addAt<toolkit::Label>(0, 0, headingArgs);

        toolkit::ListArgs previewArgs;
        previewArgs.dock = Dock::Fill;
        previewArgs.accessibleName = "preview";
        const std::size_t shown =
            std::min(set_.Rows.size(), static_cast<std::size_t>(kPreviewRows));
        previewArgs.items.reserve(shown);
        for (std::size_t i = 0; i < shown; ++i) {
            previewArgs.items.push_back(PreviewLine(set_.Rows[i], culture_));
        }
        table->addAt<toolkit::ListBox>(0, 1, previewArgs);

        toolkit::CheckBoxArgs ackArgs;
        ackArgs.text = AcknowledgementText(set_.Total, culture_);
        ackArgs.dock = Dock::Fill;
        acknowledged_ = table->addAt<toolkit::CheckBox>(0, 2, ackArgs);

        toolkit::FlowLayoutArgs barArgs;
        barArgs.dock = Dock::Fill;
        barArgs.direction = toolkit::FlowDirection::RightToLeft;
        auto* bar = table->addAt<toolkit::FlowLayout>(0, 3, barArgs);
        confirm_ = shell::AddBarButton(*bar, kConfirmRemovalText);
        confirm_->setEnabled(false);
        cancel_ = shell::AddBarButton(*bar, kCancelText);

        acknowledged_->onTickChanged = [this](toolkit::TickChangedEvent&) {
            if (!run_.running()) {
                confirm_->setEnabled(acknowledged_->checked());
            }
        };
        confirm_->onClick = [this](toolkit::ClickEvent&) { Confirm(); };
        cancel_->onClick = [this](toolkit::ClickEvent&) {
            if (run_.running()) {
                run_.RequestStop();
                cancel_->setText(std::string(kStoppingText));
            } else {
                form_->requestClose();
            }
        };
        // The title bar and the system menu: refused while files move, and
        // taken as the stop.
        form_->onCloseRequest = [this](toolkit::CloseEvent& e) {
            if (run_.running()) {
                e.cancel = true;
                run_.RequestStop();
            }
        };
    }

    void Confirm() {
        if (run_.running() || !acknowledged_->checked()) {
            return;
        }
        confirm_->setEnabled(false);
        acknowledged_->setEnabled(false);
        cancel_->setText(std::string(kStopRemovalText));

        std::vector<records::RemovalCandidate> candidates;
        candidates.reserve(set_.Rows.size());
        for (const index::VexoFile13& f : set_.Rows) {
            candidates.push_back({f.Path, f.Bytes, f.Modified});
        }
        const int total = static_cast<int>(candidates.size());

        records::RemovalSection section;
        section.flow = records::RemovalFlow::BulkReview;
        section.roots = roots_;
        section.onRemoved = [this](const records::RemovalCandidate& c,
                                   const records::RecycleOutcome& outcome) {
            ++moved_;
            if (engine_) {
                engine_->RemovePath(outcome.fullPath.empty() ? c.path : outcome.fullPath,
                                    c.indexedBytes);
            }
        };
        section.onProgress = [this, total](int handled, int) {
            heading_->setText(ReviewProgress(moved_, handled - moved_, total, culture_));
        };
        // Whatever ended the run, the busy protocol has been released by now:
        // the dialog goes and the drive cards show the space given back.
        section.followUp = [this] {
            form_->requestClose();
            context_.DrivesChanged();
        };
        run_.Run(section, candidates);
    }

    toolkit::Form& owner_;
    std::shared_ptr<index::VexoEngine13> engine_;
    const index::VexoPage13& set_;
    const std::vector<std::string>& roots_;
    shell::SectionContext& context_;
    base::Culture culture_;
    records::RemovalRun run_;
    int moved_ = 0;

    std::unique_ptr<toolkit::Form> form_;
    toolkit::Label* heading_ = nullptr;
    toolkit::CheckBox* acknowledged_ = nullptr;
    toolkit::Button* confirm_ = nullptr;
    toolkit::Button* cancel_ = nullptr;
};

} // namespace

std::string ReviewHeading(const index::VexoPage13& set, const base::Culture& culture) {
    return "مراجعة " + base::FormatN(set.Total, 0, culture) + " ملف — " +
           base::FormatN(static_cast<double>(set.Bytes) / kGb, 2, culture) + " GB\r\n" +
           std::string(kReviewNote);
}

std::string ReviewProgress(int moved, int skipped, int total, const base::Culture& culture) {
    return "تم نقل " + base::FormatN(moved, 0, culture) + " | متجاوز " +
           base::FormatN(skipped, 0, culture) + " | المتبقي " +
           base::FormatN(total - moved - skipped, 0, culture) + "\r\n" +
           std::string(kReviewRunNote);
}

std::string AcknowledgementText(int total, const base::Culture& culture) {
    return "راجعت الاختيار وأوافق على نقل " + base::FormatN(total, 0, culture) +
           " ملف للسلة. المعاينة تعرض أول 200 مسار.";
}

std::string PreviewLine(const index::VexoFile13& file, const base::Culture& culture) {
    return base::FormatN(static_cast<double>(file.Bytes) / kMb, 1, culture) + " MB | " + file.Path;
}

void OpenBulkReview22(toolkit::Form& owner, const std::shared_ptr<index::VexoEngine13>& engine,
                      const index::VexoPage13& set, const std::vector<std::string>& roots,
                      BulkReviewServices services) {
    if (!set.Error.empty()) {
        services.context.Tell(std::string(kPreparationFailed) + set.Error);
        return;
    }
    if (set.Total == 0) {
        services.context.Tell(std::string(kNothingPersonal));
        return;
    }
    BulkReview review(owner, engine, set, roots, services);
    review.Show();
}

} // namespace vexo::files
