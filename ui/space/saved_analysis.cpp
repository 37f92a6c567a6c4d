#include "space/saved_analysis.h"

#include "base/text_file.h"
#include "base/utf.h"
#include "diagnostics/diagnostics.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace vexo::space {

namespace {

constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="utf-8"?>)";
constexpr std::string_view kRootName = "StorageAnalysis";
constexpr std::string_view kRowName = "Row";

// ---- Writing ----

// Text as an attribute value: the markup characters and every control
// character as references, so the reader gets back exactly these bytes.
void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "&#";
                out += std::to_string(static_cast<unsigned char>(c));
                out += ';';
            } else {
                out += c;
            }
        }
    }
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendEscaped(out, value);
    out += '"';
}

// The shortest text that reads back as the same double.
std::string NumberText(double value) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

// ---- Reading ----

base::Error Refused(std::string_view what, std::size_t at) {
    return base::Error{
        .kind = base::ErrorKind::InvalidInput,
        .message = "The saved analysis is not in the form this version writes: " +
                   std::string(what) + " at byte " + std::to_string(at) + ".",
    };
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct Attribute {
    std::string_view name;
    std::string value;
};

// A cursor over the document that reads exactly the writer's grammar and
// nothing else; it never recurses, so no input can nest it deeper.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::size_t at() const { return pos_; }
    bool AtEnd() const { return pos_ == text_.size(); }
    void SkipSpace() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
    }
    bool Take(std::string_view literal) {
        if (text_.substr(pos_, literal.size()) != literal) {
            return false;
        }
        pos_ += literal.size();
        return true;
    }
    bool Peek(std::string_view literal) const {
        return text_.substr(pos_, literal.size()) == literal;
    }

    // `<Name` followed by a space, '>' or '/'.
    bool TakeStartTag(std::string_view name) {
        const std::size_t start = pos_;
        if (Take("<") && Take(name) && pos_ < text_.size() &&
            (IsSpace(text_[pos_]) || text_[pos_] == '>' || text_[pos_] == '/')) {
            return true;
        }
        pos_ = start;
        return false;
    }

    // Attributes up to the tag's end; `selfClosing` says which end ("/>" or
    // ">") the tag must have.
    base::Result<std::vector<Attribute>> Attributes(bool selfClosing) {
        std::vector<Attribute> attributes;
        for (;;) {
            const bool spaced = pos_ < text_.size() && IsSpace(text_[pos_]);
            SkipSpace();
            if (Take(selfClosing ? "/>" : ">")) {
                return attributes;
            }
            if (!spaced) {
                return Refused("a space or the end of the tag expected", pos_);
            }
            const std::size_t nameStart = pos_;
            while (pos_ < text_.size() && IsNameChar(text_[pos_])) {
                ++pos_;
            }
            if (pos_ == nameStart) {
                return Refused("an attribute name expected", pos_);
            }
            Attribute attribute{.name = text_.substr(nameStart, pos_ - nameStart), .value = {}};
            if (!Take("=\"")) {
                return Refused("=\" expected after an attribute name", pos_);
            }
            auto value = Value();
            if (!value) {
                return value.error();
            }
            attribute.value = std::move(value).value();
            attributes.push_back(std::move(attribute));
        }
    }

private:
    // An attribute value up to its closing quote, references resolved.
    base::Result<std::string> Value() {
        std::string value;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return value;
            }
            if (c == '<') {
                return Refused("'<' inside a value", pos_);
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return Refused("a control character inside a value", pos_);
            }
            if (c == '&') {
                auto status = Reference(value);
                if (!status.ok()) {
                    return status.error();
                }
                continue;
            }
            const std::size_t start = pos_;
            const char32_t cp = base::DecodeUtf8(text_, pos_);
            const std::string_view raw = text_.substr(start, pos_ - start);
            if (cp == base::kReplacementChar && raw != "\xEF\xBF\xBD") {
                return Refused("text that is not UTF-8", start);
            }
            value += raw;
        }
        return Refused("the file ends inside a value", pos_);
    }

    // One of the five XML entities or a character reference; nothing else
    // is ever looked up, let alone expanded.
    base::Status Reference(std::string& value) {
        const std::size_t start = pos_;
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''},
        };
        for (const auto& [entity, c] : kNamed) {
            if (Take(entity)) {
                value += c;
                return {};
            }
        }
        if (!Take("&#")) {
            return Refused("an entity other than the five of XML", start);
        }
        const bool hex = Take("x");
        const std::size_t digitsStart = pos_;
        std::uint32_t cp = 0;
        const auto parsed =
            std::from_chars(text_.data() + pos_, text_.data() + text_.size(), cp, hex ? 16 : 10);
        pos_ = static_cast<std::size_t>(parsed.ptr - text_.data());
        if (parsed.ec != std::errc() || pos_ == digitsStart || !Take(";") || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return Refused("a malformed character reference", start);
        }
        base::AppendUtf8(value, static_cast<char32_t>(cp));
        return {};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// The attributes of one tag by name: each wanted one exactly once, no other.
template <std::size_t N>
base::Status AssignAttributes(std::vector<Attribute>& attributes,
                              const std::string_view (&names)[N], std::string* (&&into)[N],
                              std::size_t tagAt) {
    bool seen[N] = {};
    for (Attribute& attribute : attributes) {
        std::size_t i = 0;
        while (i < N && names[i] != attribute.name) {
            ++i;
        }
        if (i == N) {
            return Refused("an unknown attribute " + std::string(attribute.name), tagAt);
        }
        if (seen[i]) {
            return Refused("a repeated attribute " + std::string(attribute.name), tagAt);
        }
        seen[i] = true;
        *into[i] = std::move(attribute.value);
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (!seen[i]) {
            return Refused("a missing attribute " + std::string(names[i]), tagAt);
        }
    }
    return {};
}

std::optional<std::int64_t> Count(std::string_view text) {
    std::int64_t value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> Gigabytes(std::string_view text) {
    double value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt; // no sign, no "inf", no "nan"
    }
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

base::Status ReadRoot(Reader& reader, SavedAnalysis& analysis) {
    const std::size_t tagAt = reader.at();
    if (!reader.TakeStartTag(kRootName)) {
        return Refused("<StorageAnalysis expected", tagAt);
    }
    auto attributes = reader.Attributes(false);
    if (!attributes) {
        return attributes.error();
    }
    std::string at, files, skipped;
    static constexpr std::string_view kNames[] = {"At", "Files", "Skipped"};
    if (auto assigned =
            AssignAttributes(attributes.value(), kNames, {&at, &files, &skipped}, tagAt);
        !assigned.ok()) {
        return assigned;
    }
    const auto when = base::ParseSortable(at);
    const auto fileCount = Count(files);
    const auto skippedCount = Count(skipped);
    if (!when) {
        return Refused("a date and time that is not one", tagAt);
    }
    if (!fileCount || !skippedCount) {
        return Refused("a count that is not a whole number", tagAt);
    }
    analysis.At = *when;
    analysis.Files = *fileCount;
    analysis.Skipped = *skippedCount;
    return {};
}

base::Status ReadRow(Reader& reader, SavedAnalysis& analysis) {
    const std::size_t tagAt = reader.at();
    if (!reader.TakeStartTag(kRowName)) {
        return Refused("<Row or </StorageAnalysis> expected", tagAt);
    }
    auto attributes = reader.Attributes(true);
    if (!attributes) {
        return attributes.error();
    }
    SavedRow row;
    std::string gb;
    static constexpr std::string_view kNames[] = {"Name", "GB", "Path", "Notes"};
    if (auto assigned = AssignAttributes(attributes.value(), kNames,
                                         {&row.Name, &gb, &row.Path, &row.Notes}, tagAt);
        !assigned.ok()) {
        return assigned;
    }
    const auto size = Gigabytes(gb);
    if (!size) {
        return Refused("a size that is not a number of GB", tagAt);
    }
    row.GB = *size;
    analysis.Rows.push_back(std::move(row));
    return {};
}

} // namespace

std::string WriteSavedAnalysis(const SavedAnalysis& analysis) {
    std::string out(base::kUtf8Bom);
    out += kDeclaration;
    out += "\r\n<";
    out += kRootName;
    AppendAttribute(out, "At", base::FormatRoundTrip(analysis.At));
    AppendAttribute(out, "Files", std::to_string(analysis.Files));
    AppendAttribute(out, "Skipped", std::to_string(analysis.Skipped));
    out += ">\r\n";
    for (const SavedRow& row : analysis.Rows) {
        out += "  <";
        out += kRowName;
        AppendAttribute(out, "Name", row.Name);
        AppendAttribute(out, "GB", NumberText(row.GB));
        AppendAttribute(out, "Path", row.Path);
        AppendAttribute(out, "Notes", row.Notes);
        out += "/>\r\n";
    }
    out += "</";
    out += kRootName;
    out += ">\r\n";
    return out;
}

base::Result<SavedAnalysis> ReadSavedAnalysis(std::string_view bytes) {
    if (bytes.size() > kSavedAnalysisMaxBytes) {
        return Refused("a file far larger than any saved analysis", kSavedAnalysisMaxBytes);
    }
    const std::size_t bom =
        bytes.substr(0, base::kUtf8Bom.size()) == base::kUtf8Bom ? base::kUtf8Bom.size() : 0;
    Reader reader(bytes.substr(bom));
    if (!reader.Take(kDeclaration) && reader.Peek("<?")) {
        return Refused("an XML declaration other than ours", reader.at());
    }
    reader.SkipSpace();
    SavedAnalysis analysis;
    if (auto root = ReadRoot(reader, analysis); !root.ok()) {
        return root.error();
    }
    for (;;) {
        reader.SkipSpace();
        if (reader.Take("</")) {
            if (!reader.Take(kRootName) || !reader.Take(">")) {
                return Refused("</StorageAnalysis> expected", reader.at());
            }
            break;
        }
        if (reader.AtEnd()) {
            return Refused("the file ends before </StorageAnalysis>", reader.at());
        }
        if (auto row = ReadRow(reader, analysis); !row.ok()) {
            return row.error();
        }
    }
    reader.SkipSpace();
    if (!reader.AtEnd()) {
        return Refused("text after </StorageAnalysis>", reader.at());
    }
    return analysis;
}

base::Result<std::string> SavedAnalysisPath(platform::Environment& environment,
                                            std::string_view root) {
    const auto folder = diagnostics::DataFolder(environment);
    if (!folder) {
        return base::Error{
            .kind = base::ErrorKind::NotFound,
            .message = "The LOCALAPPDATA variable is not set; there is no data folder.",
        };
    }
    if (root.empty()) {
        return base::Error{
            .kind = base::ErrorKind::InvalidInput,
            .message = "No drive was given for the saved analysis.",
        };
    }
    return *folder + "\\storage-v10-" + std::string(1, root.front()) + ".xml";
}

base::Status SaveAnalysis(platform::Machine& machine, const std::string& path,
                          const SavedAnalysis& analysis) {
    base::Status saved;
    const std::size_t slash = path.rfind('\\');
    if (slash != std::string::npos) {
        saved = machine.files().CreateFolderTree(path.substr(0, slash));
    }
    if (saved.ok()) {
        saved = base::WriteStaged(machine.files(), path, WriteSavedAnalysis(analysis), ".tmp");
    }
    if (!saved.ok()) {
        diagnostics::WriteDriveDiagnostic(machine, "Storage cache: " + saved.error().message);
    }
    return saved;
}

base::Result<std::optional<SavedAnalysis>> LoadSavedAnalysis(platform::Files& files,
                                                             const std::string& path) {
    if (!files.Exists(path)) {
        return std::optional<SavedAnalysis>();
    }
    auto bytes = files.ReadAllBytes(path);
    if (!bytes) {
        return bytes.error();
    }
    auto analysis = ReadSavedAnalysis(bytes.value());
    if (!analysis) {
        return analysis.error();
    }
    return std::optional<SavedAnalysis>(std::move(analysis).value());
}

} // namespace vexo::space
