// vexo-index: crawls folders with the index engine and runs one query, an
// export, the statistics or a removal preparation over the result, printing
// one JSON object per line. Benchmarks and acceptance checks drive the
// engine through it.
//
//   vexo-index [options] ROOT...
//     --text T --min N --max N --ext E --category N --older DAYS
//     --order N --offset N --limit N     one query (limit 250 by default)
//     --orders N,N.. --offsets N,N..     every order at every offset instead
//     --also-unfiltered                  and each of those with no filter too
//     --repeat K                         run each query K times
//     --export FILE                      export with the same filter and order
//     --stats                            extension statistics
//     --prepare PREFIX... [--]           removal preparation below the prefixes
//     --select                           select for removal (text and minimum)
//     --no-query                         skip the query
//
// On Linux each ROOT is a host folder, mapped as a drive of the emulated
// machine: the first as C:\, the next as D:\ and so on; paths print in
// Windows form. The export FILE's folder is mapped as drive Z:.

#include "base/datetime.h"
#include "base/utf.h"
#include "index/engine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#if defined(VEXO_INDEX_WIN32)
#include "platform/win32/win32_machine.h"
#else
#include "platform/emulated/emulated_machine.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#endif

namespace {

using vexo::index::Filter;
using vexo::index::PageRef;
using vexo::index::VexoEngine13;
using vexo::index::VexoFile13;

struct Options {
    Filter filter;
    vexo::index::SortOrder order = vexo::index::kLargestFirst;
    std::int32_t offset = 0;
    std::vector<std::int32_t> orders;
    std::vector<std::int32_t> offsets;
    bool alsoUnfiltered = false;
    std::int32_t limit = 250;
    int repeat = 1;
    bool query = true;
    std::string exportFile;
    bool stats = false;
    bool prepare = false;
    std::vector<std::string> prefixes;
    bool select = false;
    std::vector<std::string> roots;
};

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "vexo-index: " << problem << "\n"
              << "usage: vexo-index [--text T] [--min N] [--max N] [--ext E] [--category N]\n"
                 "                  [--older DAYS] [--order N] [--offset N] [--limit N]\n"
                 "                  [--orders N,N..] [--offsets N,N..] [--also-unfiltered]\n"
                 "                  [--repeat K] [--export FILE] [--stats] [--select]\n"
                 "                  [--prepare PREFIX... --] [--no-query] ROOT...\n";
    std::exit(2);
}

std::int64_t Number(const std::string& text, const std::string& option) {
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used);
        if (used != text.size()) {
            throw std::invalid_argument(text);
        }
        return value;
    } catch (const std::exception&) {
        Usage(option + " needs a whole number, not \"" + text + "\"");
    }
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage(arg + " needs a value");
            }
            return argv[++i];
        };
        auto int32 = [&]() { return static_cast<std::int32_t>(Number(value(), arg)); };
        if (arg == "--text") {
            o.filter.text = value();
        } else if (arg == "--min") {
            o.filter.min = Number(value(), arg);
        } else if (arg == "--max") {
            o.filter.max = Number(value(), arg);
        } else if (arg == "--ext") {
            o.filter.extension = value();
        } else if (arg == "--category") {
            o.filter.category = static_cast<vexo::index::Category>(int32());
        } else if (arg == "--older") {
            o.filter.older = int32();
        } else if (arg == "--order") {
            o.order = static_cast<vexo::index::SortOrder>(int32());
        } else if (arg == "--offset") {
            o.offset = int32();
        } else if (arg == "--orders" || arg == "--offsets") {
            std::vector<std::int32_t>& list = arg == "--orders" ? o.orders : o.offsets;
            const std::string text = value();
            std::size_t at = 0;
            while (at <= text.size()) {
                const std::size_t comma = std::min(text.find(',', at), text.size());
                list.push_back(static_cast<std::int32_t>(Number(text.substr(at, comma - at), arg)));
                at = comma + 1;
            }
        } else if (arg == "--also-unfiltered") {
            o.alsoUnfiltered = true;
        } else if (arg == "--limit") {
            o.limit = int32();
        } else if (arg == "--repeat") {
            o.repeat = static_cast<int>(Number(value(), arg));
        } else if (arg == "--export") {
            o.exportFile = value();
        } else if (arg == "--stats") {
            o.stats = true;
        } else if (arg == "--select") {
            o.select = true;
        } else if (arg == "--no-query") {
            o.query = false;
        } else if (arg == "--prepare") {
            o.prepare = true;
            while (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0) {
                o.prefixes.emplace_back(argv[++i]);
            }
            if (i + 1 < argc && std::string(argv[i + 1]) == "--") {
                ++i;
            }
        } else if (arg.rfind("--", 0) == 0) {
            Usage("unknown option " + arg);
        } else {
            o.roots.push_back(arg);
        }
    }
    if (o.roots.empty()) {
        Usage("no root folder");
    }
    return o;
}

// ---- JSON ----

std::string Json(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string RowsJson(const std::vector<VexoFile13>& rows) {
    std::string out = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const VexoFile13& r = rows[i];
        if (i > 0) {
            out += ',';
        }
        out += "{\"name\":" + Json(r.Name) + ",\"path\":" + Json(r.Path) +
               ",\"extension\":" + Json(r.Extension) + ",\"bytes\":" + std::to_string(r.Bytes) +
               ",\"modified\":" + Json(vexo::base::FormatRoundTrip(r.Modified)) + "}";
    }
    return out + "]";
}

void Emit(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

double MillisSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

std::string PageJson(const char* event, const vexo::index::VexoPage13& page, bool token,
                     const std::string& extra) {
    std::string line = std::string("{\"event\":\"") + event +
                       "\",\"total\":" + std::to_string(page.Total) +
                       ",\"bytes\":" + std::to_string(page.Bytes);
    if (token) {
        line += ",\"token\":" + std::to_string(page.Token);
    }
    line += ",\"error\":" + Json(page.Error) + extra + ",\"rows\":" + RowsJson(page.Rows) + "}";
    return line;
}

std::int64_t PeakResidentBytes() {
#if defined(__linux__)
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atoll(line.c_str() + 6) * 1024;
        }
    }
#endif
    return 0;
}

int Run(const Options& o) {
    std::vector<std::string> roots;
    std::string exportTarget;
#if defined(VEXO_INDEX_WIN32)
    std::shared_ptr<vexo::platform::Machine> machine = vexo::platform::win32::CreateWin32Machine();
    roots = o.roots;
    exportTarget = o.exportFile;
#else
    auto emulated = std::make_shared<vexo::platform::emulated::EmulatedMachine>();
    char letter = 'C';
    for (const std::string& root : o.roots) {
        if (letter > 'Y') {
            Usage("too many roots");
        }
        const std::filesystem::path host = std::filesystem::absolute(root);
        emulated->MapDrive(letter, host);
        roots.push_back(std::string(1, letter) + ":\\");
        ++letter;
    }
    if (!o.exportFile.empty()) {
        const std::filesystem::path file = std::filesystem::absolute(o.exportFile);
        emulated->MapDrive('Z', file.parent_path());
        exportTarget = "Z:\\" + file.filename().string();
    }
    // The host's zone, so times print as the user's local time.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    emulated->SetUtcOffsetMinutes(static_cast<int>(local.tm_gmtoff / 60));
    const auto unixNow = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    emulated->SetUtcNow(116444736000000000LL + unixNow / 100);
    std::shared_ptr<vexo::platform::Machine> machine = emulated;
#endif

    VexoEngine13::Dependencies dependencies;
    dependencies.files = std::shared_ptr<vexo::platform::Files>(machine, &machine->files());
    dependencies.clock = std::shared_ptr<vexo::platform::Clock>(machine, &machine->clock());
    dependencies.culture = machine->environment().UserCulture();
    auto engine = VexoEngine13::Create(std::move(dependencies));

    auto start = std::chrono::steady_clock::now();
    engine->Start(roots);
    engine->WaitForIdle();
    const double crawlMs = MillisSince(start);
    Emit(std::string("{\"event\":\"crawl\",\"done\":") + (engine->Done() ? "true" : "false") +
         ",\"limit\":" + (engine->Limit() ? "true" : "false") +
         ",\"error\":" + Json(engine->Error()) + ",\"count\":" + std::to_string(engine->Count()) +
         ",\"bytes\":" + std::to_string(engine->Bytes()) +
         ",\"skipped\":" + std::to_string(engine->Skipped()) + ",\"ms\":" + Ms(crawlMs) + "}");
    Emit("{\"event\":\"memory\",\"index_bytes\":" + std::to_string(engine->MemoryBytes()) +
         ",\"files\":" + std::to_string(engine->Count()) +
         ",\"peak_resident_bytes\":" + std::to_string(PeakResidentBytes()) + "}");

    if (o.query) {
        const std::vector<std::int32_t> orders =
            o.orders.empty() ? std::vector<std::int32_t>{o.order} : o.orders;
        const std::vector<std::int32_t> offsets =
            o.offsets.empty() ? std::vector<std::int32_t>{o.offset} : o.offsets;
        std::vector<Filter> filters{o.filter};
        if (o.alsoUnfiltered) {
            filters.push_back(Filter{});
        }
        for (const Filter& filter : filters) {
            for (const std::int32_t order : orders) {
                for (const std::int32_t offset : offsets) {
                    for (int run = 0; run < o.repeat; ++run) {
                        // Processor time as well: on a busy machine the wall
                        // time is mostly waiting for a core.
                        const std::clock_t cpuStart = std::clock();
                        start = std::chrono::steady_clock::now();
                        engine->Request(filter, static_cast<vexo::index::SortOrder>(order), offset,
                                        o.limit);
                        engine->WaitForIdle();
                        const double ms = MillisSince(start);
                        const double cpuMs =
                            1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
                        const PageRef page = engine->Page();
                        if (page) {
                            Emit(PageJson(
                                "page", *page, true,
                                ",\"cpu_ms\":" + Ms(cpuMs) + ",\"text\":" + Json(filter.text) +
                                    ",\"order\":" + std::to_string(order) +
                                    ",\"offset\":" + std::to_string(offset) + ",\"ms\":" + Ms(ms)));
                        }
                    }
                }
            }
        }
    }
    if (!o.exportFile.empty()) {
        start = std::chrono::steady_clock::now();
        if (!engine->Export(exportTarget, o.filter, o.order)) {
            Emit("{\"event\":\"export\",\"message\":\"busy\"}");
        } else {
            engine->WaitForIdle();
            Emit("{\"event\":\"export\",\"message\":" + Json(engine->TakeExportMessage()) +
                 ",\"ms\":" + Ms(MillisSince(start)) + "}");
        }
    }
    if (o.stats) {
        start = std::chrono::steady_clock::now();
        engine->Statistics();
        engine->WaitForIdle();
        Emit("{\"event\":\"stats\",\"text\":" + Json(engine->TakeStatsMessage()) +
             ",\"ms\":" + Ms(MillisSince(start)) + "}");
    }
    if (o.prepare) {
        start = std::chrono::steady_clock::now();
        engine->PrepareRemoval(o.filter, o.prefixes);
        engine->WaitForIdle();
        const PageRef page = engine->RemovalPage();
        if (page) {
            Emit(PageJson("removal", *page, false, ",\"ms\":" + Ms(MillisSince(start))));
        }
    }
    if (o.select) {
        start = std::chrono::steady_clock::now();
        try {
            const PageRef page = engine->SelectForRemoval(o.filter.text, o.filter.min);
            Emit(PageJson("select", *page, false, ",\"ms\":" + Ms(MillisSince(start))));
        } catch (const std::exception& failure) {
            vexo::index::VexoPage13 failed;
            failed.Error = failure.what();
            Emit(PageJson("select", failed, false, ""));
        }
    }
    return 0;
}

} // namespace

#if defined(VEXO_INDEX_WIN32)
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(vexo::base::Narrow(argv[i]));
    }
    std::vector<char*> pointers;
    for (std::string& a : args) {
        pointers.push_back(a.data());
    }
    return Run(Parse(argc, pointers.data()));
}
#else
int main(int argc, char** argv) {
    return Run(Parse(argc, argv));
}
#endif
