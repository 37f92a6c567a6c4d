// Matching and sorting the index, and the paged requests built on them.

#include "base/utf.h"
#include "index/engine.h"
#include "index/engine_internal.h"
#include "index/local_time.h"
#include "index/text_match.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace vexo::index {

namespace {

constexpr std::int64_t kTicksPerDay = 864'000'000'000;
// The most days a cutoff may lie back (to 0001-01-01 from 9999).
constexpr std::int32_t kMaxOlderDays = 3'652'059;

// The extension groups of the categories, each entry with its dot and a "|".
constexpr std::array<std::string_view, 8> kCategoryGroups = {
    "",
    ".mp4|.mkv|.avi|.mov|.webm|.wmv|",
    ".jpg|.jpeg|.png|.gif|.webp|.bmp|.heic|",
    ".pdf|.doc|.docx|.xls|.xlsx|.ppt|.pptx|.txt|.csv|",
    ".zip|.rar|.7z|.tar|.gz|",
    ".exe|.msi|.msix|",
    ".mp3|.wav|.flac|.m4a|.ogg|",
    ".iso|.vhd|.vhdx|.vmdk|.img|",
};

std::string_view CategoryGroup(Category category) {
    const auto number = static_cast<std::int32_t>(category);
    return (number >= 1 && number <= 6) ? kCategoryGroups[static_cast<std::size_t>(number)]
                                        : kCategoryGroups[7];
}

// White space as .NET's String.Trim() knows it.
bool IsWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

} // namespace

// The extension filter as the records hold extensions: trimmed, lower-cased,
// with a leading dot.
std::string NormaliseExtension(std::string_view extension) {
    std::size_t begin = 0;
    std::size_t end = extension.size();
    // Trim from the front, code point by code point.
    while (begin < end) {
        std::size_t next = begin;
        if (!IsWhiteSpace(base::DecodeUtf8(extension, next))) {
            break;
        }
        begin = next;
    }
    // And from the back: find the last code point that is not white space.
    std::size_t lastKept = begin;
    for (std::size_t pos = begin; pos < end;) {
        std::size_t next = pos;
        if (!IsWhiteSpace(base::DecodeUtf8(extension, next))) {
            lastKept = next;
        }
        pos = next;
    }
    end = lastKept;
    std::string lower = base::ToLowerInvariant(extension.substr(begin, end - begin));
    if (!lower.empty() && lower.front() != '.') {
        lower.insert(lower.begin(), '.');
    }
    return lower;
}

bool CategoryAdmits(std::string_view extension, Category category) {
    if (category == Category::All) {
        return true;
    }
    if (extension.empty()) {
        return false;
    }
    std::string entry(extension);
    entry.push_back('|');
    return base::ContainsIgnoreCase(CategoryGroup(category), entry);
}

namespace {

// Compares (a1 + a2) with (b1 + b2) exactly as base::CompareIgnoreCase would
// compare the joined texts, without joining them while both stay ASCII.
// The parts split at code point boundaries (a folder prefix ends in "\").
int CompareJoined(std::string_view a1, std::string_view a2, std::string_view b1,
                  std::string_view b2) {
    std::size_t i = 0;
    std::size_t j = 0;
    const std::size_t aLength = a1.size() + a2.size();
    const std::size_t bLength = b1.size() + b2.size();
    auto at = [](std::string_view p1, std::string_view p2, std::size_t k) {
        return k < p1.size() ? p1[k] : p2[k - p1.size()];
    };
    while (i < aLength && j < bLength) {
        const char x = at(a1, a2, i);
        const char y = at(b1, b2, j);
        if (static_cast<unsigned char>(x) >= 0x80 || static_cast<unsigned char>(y) >= 0x80) {
            // Join the rest and let the base function decide.
            auto rest = [](std::string_view p1, std::string_view p2, std::size_t k) {
                std::string out;
                if (k < p1.size()) {
                    out.append(p1.substr(k));
                    out.append(p2);
                } else {
                    out.append(p2.substr(k - p1.size()));
                }
                return out;
            };
            return base::CompareIgnoreCase(rest(a1, a2, i), rest(b1, b2, j));
        }
        const char ux = (x >= 'a' && x <= 'z') ? static_cast<char>(x - 32) : x;
        const char uy = (y >= 'a' && y <= 'z') ? static_cast<char>(y - 32) : y;
        if (ux != uy) {
            return ux < uy ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < aLength) {
        return 1;
    }
    return j < bLength ? -1 : 0;
}

} // namespace

int CompareJoinedForTest(std::string_view a1, std::string_view a2, std::string_view b1,
                         std::string_view b2) {
    return CompareJoined(a1, a2, b1, b2);
}

// ---- Match ----

bool VexoEngine13::Match(const Snapshot& snapshot, const Filter& filter, LocalTime& local,
                         std::vector<Hit>& hits, const std::function<bool()>& stillWanted,
                         std::int64_t* matchedBytes) {
    hits.clear();
    const std::uint32_t n = snapshot.files;
    const std::uint32_t folders = snapshot.folders;
    if (filter.text.empty()) {
        hits.reserve(n); // most files may pass; growing by doubling copies them twice
    }

    // Removed paths, resolved to the files they name.
    std::vector<std::uint64_t> removedBits;
    if (!snapshot.removed.empty()) {
        removedBits.assign((n + 63) / 64, 0);
        std::unordered_multimap<std::uint32_t, std::pair<std::string_view, std::string_view>>
            byFolder;
        for (const std::string& path : snapshot.removed) {
            const std::size_t slash = path.rfind('\\');
            if (slash == std::string::npos) {
                continue; // every recorded path holds a backslash
            }
            const std::string_view prefix = std::string_view(path).substr(0, slash + 1);
            const std::string_view name = std::string_view(path).substr(slash + 1);
            byFolder.emplace(static_cast<std::uint32_t>(base::IgnoreCaseHash{}(prefix)),
                             std::make_pair(prefix, name));
        }
        for (std::uint32_t f = 0; f < folders; ++f) {
            const std::string_view prefix = store_.Prefix(f);
            const auto [from, to] =
                byFolder.equal_range(static_cast<std::uint32_t>(base::IgnoreCaseHash{}(prefix)));
            for (auto it = from; it != to; ++it) {
                if (!base::EqualsIgnoreCase(prefix, it->second.first)) {
                    continue;
                }
                const std::uint32_t end = f + 1 < folders ? store_.Folder(f + 1).firstFile : n;
                for (std::uint32_t file = store_.Folder(f).firstFile; file < end; ++file) {
                    if (base::EqualsIgnoreCase(store_.Name(file), it->second.second)) {
                        removedBits[file / 64] |= std::uint64_t{1} << (file % 64);
                    }
                }
            }
        }
    }

    // Age cutoff: the local time now, less the days, compared with each
    // file's local time as the user reads it.
    const bool useAge = filter.older > 0;
    std::int64_t cutoff = 0;
    if (useAge) {
        if (filter.older > kMaxOlderDays) {
            throw std::out_of_range("the age in days reaches before the first year");
        }
        cutoff = base::FileTimeFromParts(dependencies_.clock->NowLocal()) -
                 static_cast<std::int64_t>(filter.older) * kTicksPerDay;
    }

    // Extension and category, decided once per extension.
    const std::string extension = NormaliseExtension(filter.extension);
    const bool useExtension = !extension.empty() || filter.category != Category::All;
    std::vector<std::uint8_t> extensionOk;
    auto extensionPasses = [&](std::string_view ext) {
        return (extension.empty() || ext == extension) && CategoryAdmits(ext, filter.category);
    };
    std::string scratch;
    if (useExtension) {
        const std::uint32_t count = store_.PublishedExtensions();
        extensionOk.assign(std::max<std::uint32_t>(count, 1), 0);
        for (std::uint32_t id = 0; id < count; ++id) {
            const std::string_view ext = id == 0 ? std::string_view{} : store_.Extension(id);
            extensionOk[id] = extensionPasses(ext);
        }
        if (count == 0) {
            extensionOk[0] = extension.empty() && filter.category == Category::All;
        }
    }

    const std::int64_t min = filter.min;
    const std::int64_t max = filter.max > 0 ? filter.max : INT64_MAX;
    auto passesRest = [&](std::uint32_t file) {
        if (!removedBits.empty() && (removedBits[file / 64] >> (file % 64)) & 1) {
            return false;
        }
        const std::int64_t bytes = store_.Bytes(file);
        if (bytes < min || bytes > max) {
            return false;
        }
        if (useExtension) {
            const std::uint16_t id = store_.ExtensionId(file);
            if (id == IndexStore::kExtensionInName
                    ? !extensionPasses(store_.ExtensionOf(file, scratch))
                    : !extensionOk[id]) {
                return false;
            }
        }
        if (useAge) {
            // Offsets from UTC stay within a day; only times near the
            // cutoff need the local time.
            const std::int64_t utc = store_.LastWrite(file);
            if (utc > cutoff + kTicksPerDay) {
                return false;
            }
            if (utc >= cutoff - kTicksPerDay && local.Ticks(utc) > cutoff) {
                return false;
            }
        }
        return true;
    };

    const TextMatcher text(filter.text);
    const bool separator = text.HasSeparator();
    std::string separatorHead; // the text to its last backslash, included
    std::string_view separatorTail;
    if (separator) {
        const std::size_t slash = filter.text.rfind('\\');
        separatorHead = filter.text.substr(0, slash + 1);
        separatorTail = std::string_view(filter.text).substr(slash + 1);
    }
    // Control bytes could join two names in a scan of the arena.
    bool scanArena = text.AsciiCanMatch();
    for (const char c : filter.text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            scanArena = false;
        }
    }

    std::int64_t sum = 0;
    if (removedBits.empty() && text.Empty() && !useExtension && !useAge && max == INT64_MAX &&
        (min <= 0 && !store_.AnyNegativeLength(n))) {
        // Every file passes: no test per file. With no filter the tests took
        // 16 ms of the 53 ms a path-ordered page took (2 shared cores).
        hits.reserve(n);
        for (std::uint32_t f = 0; f < folders; ++f) {
            const std::uint32_t end = f + 1 < folders ? store_.Folder(f + 1).firstFile : n;
            for (std::uint32_t file = store_.Folder(f).firstFile; file < end; ++file) {
                hits.push_back(Hit{file, f});
            }
        }
        if (matchedBytes != nullptr) {
            *matchedBytes = store_.SumBytes(n);
        }
        return true;
    }

    for (std::uint32_t f = 0; f < folders; ++f) {
        if ((f & 1023) == 1023 && stillWanted && !stillWanted()) {
            return false;
        }
        const FolderEntry& folder = store_.Folder(f);
        const std::uint32_t first = folder.firstFile;
        const std::uint32_t end = f + 1 < folders ? store_.Folder(f + 1).firstFile : n;
        auto add = [&](std::uint32_t file) {
            if (passesRest(file)) {
                hits.push_back(Hit{file, f});
                sum += store_.Bytes(file);
            }
        };
        const std::string_view prefix = store_.Prefix(f);
        if (text.Empty() || text.In(prefix, folder.PrefixAscii())) {
            for (std::uint32_t file = first; file < end; ++file) {
                add(file);
            }
            continue;
        }
        if (separator) {
            // A match that reaches into the name ends its folder part at
            // the path's last backslash.
            if (base::EndsWithIgnoreCase(prefix, separatorHead)) {
                for (std::uint32_t file = first; file < end; ++file) {
                    if (base::StartsWithIgnoreCase(store_.Name(file), separatorTail)) {
                        add(file);
                    }
                }
            }
            continue;
        }
        const bool namesAscii = folder.NamesAscii();
        if (namesAscii && !text.AsciiCanMatch()) {
            continue;
        }
        const std::uint32_t startAt = store_.NameStart(first);
        const std::uint32_t regionEndAt = store_.NameEnd(end - 1);
        if (namesAscii && scanArena &&
            (startAt >> TextArena::kBlockBits) == (regionEndAt >> TextArena::kBlockBits)) {
            // The folder's names lie one after another in the arena: one
            // scan finds the candidates, each then checked against its own
            // name's bounds.
            const char* const base = store_.ArenaAt(startAt);
            const char* const regionEnd = base + (regionEndAt - startAt);
            const char* p = base;
            std::uint32_t file = first;
            const std::size_t m = text.UpperLength();
            while (p < regionEnd) {
                const char* found = text.Find(p, regionEnd);
                if (found == nullptr) {
                    break;
                }
                const auto offset = static_cast<std::uint32_t>(startAt + (found - base));
                // The file whose name holds `found`: the first that ends
                // past it (a name starts where the one before ends).
                std::uint32_t lo = file;
                std::uint32_t hi = end - 1;
                while (lo < hi) {
                    const std::uint32_t mid = lo + (hi - lo) / 2;
                    if (store_.NameEnd(mid) <= offset) {
                        lo = mid + 1;
                    } else {
                        hi = mid;
                    }
                }
                file = lo;
                const std::uint32_t nameEnd = store_.NameEnd(file);
                if (offset + m <= nameEnd) {
                    add(file);
                    if (++file == end) {
                        break;
                    }
                    p = base + (nameEnd - startAt);
                } else {
                    p = found + 1; // straddles two names
                }
            }
            continue;
        }
        for (std::uint32_t file = first; file < end; ++file) {
            const std::string_view name = store_.Name(file);
            if (text.In(name, store_.NameAscii(file))) {
                add(file);
            }
        }
    }
    if (matchedBytes != nullptr) {
        *matchedBytes = sum;
    }
    return true;
}

// ---- Sort ----

namespace {

// Texts as byte strings whose plain byte order is the ordinal ignore-case
// order: an ASCII character is its upper-cased byte; any other code point
// is the three bytes of its upper case's place in UTF-16 order, the first
// of them 0x80 or above. A lone byte never equals the start of a three-byte
// one, and no code point gives a zero first byte, so a shorter text padded
// with zeros orders first, as a proper prefix does.
void AppendOrderBytes(std::string& out, std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (static_cast<unsigned char>(c) < 0x80) {
            out.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c);
            ++pos;
            continue;
        }
        char32_t cp = base::DecodeUtf8(text, pos);
        if (cp < 0x10000) {
            cp = base::UpperInvariant(static_cast<char16_t>(cp));
        }
        // U+E000..U+FFFF follow the surrogates of the supplementary planes.
        const std::uint32_t key = (cp >= 0xE000 && cp <= 0xFFFF) ? cp + 0x200000 : cp;
        if (key < 0x80) {
            out.push_back(static_cast<char>(key));
            continue;
        }
        out.push_back(static_cast<char>(0x80 | (key >> 16)));
        out.push_back(static_cast<char>((key >> 8) & 0xFF));
        out.push_back(static_cast<char>(key & 0xFF));
    }
}

// Bytes [skip + 8 * word, skip + 8 * word + 8) of the order bytes of a1 + a2,
// zero-padded, as a big-endian number; `length` receives the order bytes'
// whole length, or any length past the word when the text goes on past it.
// `ascii` may be false for an ASCII text (it is then tested).
std::uint64_t OrderWord(std::string_view a1, std::string_view a2, bool ascii, std::size_t skip,
                        std::size_t word, std::string& scratch, std::size_t& length) {
    if (!ascii) {
        // Only the bytes up to the word's end decide what the word holds
        // and whether the text goes on past it: a non-ASCII letter further
        // on changes neither (testing whole names for it took a sixth of a
        // by-name page).
        const std::size_t upTo = skip + 8 * (word + 1);
        ascii = IsAsciiText(a1.substr(0, upTo)) &&
                (upTo <= a1.size() || IsAsciiText(a2.substr(0, upTo - a1.size())));
    }
    bool fold = true;
    if (!ascii) {
        scratch.clear();
        AppendOrderBytes(scratch, a1);
        AppendOrderBytes(scratch, a2);
        a1 = scratch;
        a2 = {};
        fold = false;
    }
    length = a1.size() + a2.size();
    // The eight bytes, zero-padded, then upper-cased all at once when they
    // are ASCII: 21 ns a word byte by byte, the bulk of a by-name selection.
    // Eight bytes inside one part are loaded whole; the rest are gathered
    // byte by byte straight into the number (gathered through a buffer,
    // the load stalled on the buffer's stores: 43 % of making a word).
    const std::size_t from = skip + 8 * word;
    std::uint64_t value = 0;
    const char* whole = nullptr;
    if (from + 8 <= a1.size()) {
        whole = a1.data() + from;
    } else if (from >= a1.size() && from - a1.size() + 8 <= a2.size()) {
        whole = a2.data() + (from - a1.size());
    }
    if (whole != nullptr) {
        std::memcpy(&value, whole, 8);
        if constexpr (std::endian::native == std::endian::little) {
            value = __builtin_bswap64(value);
        }
    } else {
        for (std::size_t k = from; k < from + 8; ++k) {
            unsigned char c = 0;
            if (k < a1.size()) {
                c = static_cast<unsigned char>(a1[k]);
            } else if (k - a1.size() < a2.size()) {
                c = static_cast<unsigned char>(a2[k - a1.size()]);
            }
            value = (value << 8) | c;
        }
    }
    if (fold) {
        constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101;
        const std::uint64_t atLeastA = value + (0x80 - 'a') * kOnes;
        const std::uint64_t aboveZ = value + (0x80 - 'z' - 1) * kOnes;
        value -= ((atLeastA & ~aboveZ) & (0x80 * kOnes)) >> 2;
    }
    return value;
}

// Buckets of a numeric distance: the bit length and the five bits below the
// leading one, so lengths from bytes to tebibytes (the bench tree's sizes
// spread over 36 bits, most of them below 16 MiB) and times from seconds to
// decades each fill many buckets; an even split of the range put 99 % of
// the bench tree's files in its first bucket.
std::size_t LogBucket(std::uint64_t x) {
    if (x < 32) {
        return static_cast<std::size_t>(x);
    }
    const int bits = static_cast<int>(std::bit_width(x)); // 6 .. 64
    return static_cast<std::size_t>((bits - 5) * 32) +
           static_cast<std::size_t>((x >> (bits - 6)) & 31);
}
constexpr std::size_t kLogBuckets = (64 - 5) * 32 + 32;
// Text words: an even split of the range in 2,048 (the first letters of
// names and folders spread over a few dozen byte values).
constexpr unsigned kTextBucketBits = 11;

constexpr std::uint64_t kSignFlip = std::uint64_t{1} << 63;
// Sets this small are sorted by comparisons at once.
constexpr std::size_t kSelectBySort = 2048;
// Sets this large are first narrowed by a sample of this many keys.
constexpr std::size_t kSampleFrom = 65'536;
constexpr std::size_t kSample = 8192;
// Ties this many words deep are sorted by comparisons (no deeper recursion).
constexpr std::size_t kDeepestWord = 32;

} // namespace

int VexoEngine13::ComparePaths(const Hit& a, const Hit& b) const {
    if (a.folder == b.folder) {
        return base::CompareIgnoreCase(store_.Name(a.file), store_.Name(b.file));
    }
    return CompareJoined(store_.Prefix(a.folder), store_.Name(a.file), store_.Prefix(b.folder),
                         store_.Name(b.file));
}

std::vector<VexoEngine13::Hit> VexoEngine13::Sort(std::vector<Hit> hits, SortOrder order,
                                                  std::size_t first, std::size_t last,
                                                  LocalTime& local) {
    if (order < 0 || order > 3) {
        order = kByPath;
    }
    if (last > hits.size()) {
        last = hits.size();
    }
    if (first >= last) {
        return {};
    }

    // An order is a sequence of keys: the primary one (a length, a local
    // time, or the words of the name), then the words of the path. A set
    // is worked on at one level of that sequence, where all its items agree
    // on every earlier key.
    enum class Step { kPrimary, kPath };
    struct Level {
        Step step;
        std::size_t word;
    };
    struct Item {
        std::uint64_t key;
        Hit hit;
    };
    const bool descendingOrder = order == kLargestFirst || order == kNewestFirst;
    std::string scratch;
    std::size_t length = 0;
    // The ASCII start that every folder's path shares (the root, when there
    // is one): path words begin after it. Words from the start of the path
    // ("C:\" and five letters) kept 23 % of a million files in a page's
    // first bucket.
    std::size_t pathSkip = 0;
    if (const std::uint32_t folders = store_.PublishedFolders(); folders > 0) {
        const std::string_view common = store_.Prefix(0);
        pathSkip = common.size();
        for (std::size_t i = 0; i < pathSkip; ++i) {
            if (static_cast<unsigned char>(common[i]) >= 0x80) {
                pathSkip = i;
            }
        }
        for (std::uint32_t f = 1; f < folders && pathSkip > 0; ++f) {
            const std::string_view prefix = store_.Prefix(f);
            std::size_t same = 0;
            const std::size_t most = std::min(pathSkip, prefix.size());
            while (same < most && prefix[same] == common[same]) {
                ++same;
            }
            pathSkip = same;
        }
    }
    auto keyOf = [&](const Hit& hit, Level level) -> std::uint64_t {
        if (level.step == Step::kPrimary) {
            switch (order) {
            case kLargestFirst:
            case kSmallestFirst:
                return static_cast<std::uint64_t>(store_.Bytes(hit.file)) ^ kSignFlip;
            case kNewestFirst:
                return static_cast<std::uint64_t>(local.Ticks(store_.LastWrite(hit.file))) ^
                       kSignFlip;
            default: {
                const std::string_view name = store_.Name(hit.file);
                return OrderWord(name, {}, store_.NameAscii(hit.file), 0, level.word, scratch,
                                 length);
            }
            }
        }
        const std::string_view name = store_.Name(hit.file);
        return OrderWord(store_.Prefix(hit.folder), name,
                         store_.Folder(hit.folder).PrefixAscii() && store_.NameAscii(hit.file),
                         pathSkip, level.word, scratch, length);
    };
    // Whether a text key goes on past the current word for this item. Items
    // that tie on a word may still differ there: one text may end with the
    // word while another goes on.
    auto goesOn = [&](const Hit& hit, Level level) {
        keyOf(hit, level);
        return length > (level.step == Step::kPath ? pathSkip : 0) + 8 * (level.word + 1);
    };
    // The level after `level` for items that tie on it, given whether the
    // text of any of them goes on; false when none follows: their paths are
    // equal.
    auto nextLevel = [&](Level& level, bool anyGoesOn) {
        const bool numeric = level.step == Step::kPrimary && order != kByName;
        if (!numeric && anyGoesOn) {
            ++level.word;
            return true;
        }
        if (level.step == Step::kPath) {
            return false;
        }
        level = Level{Step::kPath, 0};
        return true;
    };
    auto anyGoesOn = [&](auto begin, auto end, Level level, auto hitOf) {
        if (level.step == Step::kPrimary && order != kByName) {
            return false;
        }
        for (auto item = begin; item != end; ++item) {
            if (goesOn(hitOf(*item), level)) {
                return true;
            }
        }
        return false;
    };
    // The order itself, for items at one level: the current key, then what
    // the remaining keys stand for.
    auto lessAt = [&](Level level) {
        return [&, level](const Item& a, const Item& b) {
            if (a.key != b.key) {
                return (descendingOrder && level.step == Step::kPrimary) ? a.key > b.key
                                                                         : a.key < b.key;
            }
            if (level.step == Step::kPrimary && order == kByName) {
                const int byName =
                    base::CompareIgnoreCase(store_.Name(a.hit.file), store_.Name(b.hit.file));
                if (byName != 0) {
                    return byName < 0;
                }
            }
            return ComparePaths(a.hit, b.hit) < 0;
        };
    };

    // The rows [first, last) in order, gathered here.
    std::vector<Hit> out;
    out.reserve(last - first);
    // Sorts by comparisons, for small sets and wide windows: only the rows
    // [from, to) need their place, so select the smallest `to`, then the
    // ones before `from`, then sort what remains.
    auto finish = [&](const std::vector<Hit>& set, const std::vector<std::uint64_t>& keys,
                      std::size_t from, std::size_t to, Level level) {
        std::vector<Item> items(set.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            items[i] = Item{keys[i], set[i]};
        }
        const auto less = lessAt(level);
        const auto begin = items.begin();
        const auto at = [&](std::size_t i) { return begin + static_cast<std::ptrdiff_t>(i); };
        if (to < items.size() && to <= 4096) {
            std::partial_sort(begin, at(to), items.end(), less);
        } else {
            if (to < items.size()) {
                std::nth_element(begin, at(to), items.end(), less);
            }
            if (from > 0) {
                std::nth_element(begin, at(from), at(to), less);
            }
            std::sort(at(from), at(to), less);
        }
        for (std::size_t i = from; i < to; ++i) {
            out.push_back(items[i].hit);
        }
    };
    // A path word that lies within the folder's part is the folder's own,
    // and the files of a folder come together: with no filter, words made
    // per file took 27 ms of a path-ordered page.
    struct FolderWord {
        std::uint32_t folder = UINT32_MAX;
        std::uint64_t key = 0;
    };
    auto cachedKeyOf = [&](const Hit& hit, Level level, FolderWord& cache) {
        if (hit.folder == cache.folder) {
            return cache.key;
        }
        const std::uint64_t key = keyOf(hit, level);
        const FolderEntry& folder = store_.Folder(hit.folder);
        if (level.step == Step::kPath && folder.PrefixAscii() &&
            pathSkip + 8 * (level.word + 1) <= folder.PrefixLength()) {
            cache = FolderWord{hit.folder, key};
        } else {
            cache.folder = UINT32_MAX;
        }
        return key;
    };
    auto fillKeys = [&](const std::vector<Hit>& set, std::vector<std::uint64_t>& keys, Level level,
                        std::uint64_t& lowest, std::uint64_t& highest) {
        keys.resize(set.size());
        lowest = UINT64_MAX;
        highest = 0;
        FolderWord cache;
        for (std::size_t i = 0; i < set.size(); ++i) {
            const std::uint64_t key = cachedKeyOf(set[i], level, cache);
            keys[i] = key;
            lowest = std::min(lowest, key);
            highest = std::max(highest, key);
        }
    };

    // A page deep in a large set: the set is narrowed down by the buckets
    // of its keys (a radix selection) instead of comparing a million items.
    // With no filter, largest first at offset 100,000 took 103 ms by
    // comparisons (nth_element over 1,000,000 items). Each bucket that holds
    // some of the wanted rows is a smaller set of the same kind; the whole
    // set, or most of it (an export), is sorted by comparisons.
    auto select = [&](auto& self, std::vector<Hit>& set, std::vector<std::uint64_t>& keys,
                      std::size_t from, std::size_t to, Level level, std::uint64_t lowest,
                      std::uint64_t highest) -> void {
        std::vector<std::uint32_t> counts;
        while (set.size() > std::max<std::size_t>(kSelectBySort, 4 * (to - from))) {
            if (lowest == highest) {
                // Every item ties on this key: on to the next one.
                if (!nextLevel(level, anyGoesOn(set.begin(), set.end(), level,
                                                [](const Hit& hit) { return hit; }))) {
                    break; // equal paths: in no defined order
                }
                fillKeys(set, keys, level, lowest, highest);
                continue;
            }
            const bool descending = descendingOrder && level.step == Step::kPrimary;
            const bool numeric = level.step == Step::kPrimary && order != kByName;
            const int bits = static_cast<int>(std::bit_width(highest - lowest));
            const int shift = std::max(0, bits - static_cast<int>(kTextBucketBits));
            const std::size_t buckets = numeric ? kLogBuckets : std::size_t{1} << kTextBucketBits;
            // Buckets in the order's direction: bucket 0 comes first. Numbers
            // are bucketed by their distance from the lowest either way,
            // where the buckets are finest.
            auto bucketOf = [&](std::uint64_t key) {
                const std::uint64_t x = key - lowest;
                const std::size_t b = numeric ? LogBucket(x) : static_cast<std::size_t>(x >> shift);
                return descending ? buckets - 1 - b : b;
            };
            counts.assign(buckets, 0);
            const std::size_t n = set.size();
            for (std::size_t i = 0; i < n; ++i) {
                ++counts[bucketOf(keys[i])];
            }
            // The buckets that hold the rows [from, to).
            std::size_t before = 0;
            std::size_t low = 0;
            while (before + counts[low] <= from) {
                before += counts[low++];
            }
            std::size_t through = before + counts[low];
            std::size_t high = low;
            while (through < to) {
                through += counts[++high];
            }
            // One set per bucket that holds wanted rows; one set for all of
            // them when they are few (a page of 250 spread over 1,924
            // buckets of paths took 3.6 ms as that many sets).
            const bool few =
                through - before <= std::max<std::size_t>(kSelectBySort, 4 * (to - from));
            const std::size_t parts = few ? 1 : high - low + 1;
            std::vector<std::vector<Hit>> partSets(parts);
            std::vector<std::vector<std::uint64_t>> partKeys(parts);
            std::vector<std::uint64_t> partLowest(parts, UINT64_MAX);
            std::vector<std::uint64_t> partHighest(parts, 0);
            for (std::size_t p = 0; p < parts; ++p) {
                const std::size_t count = few ? through - before : counts[low + p];
                partSets[p].reserve(count);
                partKeys[p].reserve(count);
            }
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint64_t key = keys[i];
                const std::size_t b = bucketOf(key);
                if (b >= low && b <= high) {
                    const std::size_t p = few ? 0 : b - low;
                    partSets[p].push_back(set[i]);
                    partKeys[p].push_back(key);
                    partLowest[p] = std::min(partLowest[p], key);
                    partHighest[p] = std::max(partHighest[p], key);
                }
            }
            if (parts == 1) {
                set.swap(partSets[0]);
                keys.swap(partKeys[0]);
                lowest = partLowest[0];
                highest = partHighest[0];
                from -= before;
                to -= before;
                continue;
            }
            std::size_t start = before;
            for (std::size_t p = 0; p < parts; ++p) {
                const std::size_t count = partSets[p].size();
                self(self, partSets[p], partKeys[p], std::max(from, start) - start,
                     std::min(to, start + count) - start, level, partLowest[p], partHighest[p]);
                start += count;
            }
            return;
        }
        finish(set, keys, from, to, level);
    };

    const Level top{order == kByPath ? Step::kPath : Step::kPrimary, 0};
    std::vector<std::uint64_t> keys;
    std::uint64_t lowest = 0;
    std::uint64_t highest = 0;
    const std::size_t n = hits.size();
    if (n >= kSampleFrom && 4 * (last - first) < n / 16) {
        // A page of a very large set: the keys of a sample say between
        // which two keys the page lies, and one pass keeps only the items
        // between them (with them), counting those before. Making every
        // key, then counting and gathering them by buckets, read and wrote
        // three arrays of a million items where this reads one: with no
        // filter, a page took 22 ms of processor time largest first and
        // 30 ms by name that way, 9 ms and 17 ms this way.
        // Paths are bracketed by their first two words: one word of paths
        // ("ARCHIVE\", a folder holding 23 % of the bench tree's files)
        // kept 228,000 items for a page of 250.
        const bool descending = descendingOrder && top.step == Step::kPrimary;
        const bool twoWords =
            top.step == Step::kPath; // names' second words cost more than they save
        using Key = std::pair<std::uint64_t, std::uint64_t>;
        auto earlier = [descending](const Key& a, const Key& b) {
            return descending ? a > b : a < b;
        };
        const Level second{top.step, 1};
        FolderWord cache;
        FolderWord secondCache;
        auto keyPair = [&](const Hit& hit) {
            return Key{cachedKeyOf(hit, top, cache),
                       twoWords ? cachedKeyOf(hit, second, secondCache) : 0};
        };
        std::vector<Key> sample(kSample);
        std::uint64_t state = 0x9E3779B97F4A7C15u;
        for (Key& key : sample) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            key = keyPair(hits[static_cast<std::size_t>((state >> 33) % n)]);
        }
        std::sort(sample.begin(), sample.end(), earlier);
        // Four standard deviations of a sample rank either side, and then
        // some: a miss only costs the pass below once more.
        const double share = static_cast<double>(first) / static_cast<double>(n);
        const auto margin = static_cast<std::ptrdiff_t>(
            4.0 * std::sqrt(static_cast<double>(kSample) * share * (1.0 - share)) + 16.0);
        const auto lowAt = static_cast<std::ptrdiff_t>(first * kSample / n) - margin;
        const auto highAt = static_cast<std::ptrdiff_t>((last * kSample + n - 1) / n) + margin;
        const bool openLow = lowAt < 0;
        const bool openHigh = highAt >= static_cast<std::ptrdiff_t>(kSample);
        const Key from = openLow ? Key{} : sample[static_cast<std::size_t>(lowAt)];
        const Key to = openHigh ? Key{} : sample[static_cast<std::size_t>(highAt)];
        std::vector<Hit> kept;
        std::size_t before = 0;
        lowest = UINT64_MAX;
        highest = 0;
        cache = FolderWord{};
        secondCache = FolderWord{};
        for (const Hit& hit : hits) {
            const Key key = keyPair(hit);
            if (!openLow && earlier(key, from)) {
                ++before;
            } else if (openHigh || !earlier(to, key)) {
                kept.push_back(hit);
                keys.push_back(key.first);
                lowest = std::min(lowest, key.first);
                highest = std::max(highest, key.first);
            }
        }
        if (before <= first && before + kept.size() >= last) {
            select(select, kept, keys, first - before, last - before, top, lowest, highest);
            return out;
        }
        keys.clear();
    }
    fillKeys(hits, keys, top, lowest, highest);
    if (first == 0 && last == n) {
        // Every row (an export): sorted by the keys alone, and each run of
        // items that tie by the next key. Comparing the paths of tied items
        // took 0.46 s of the 1.96 s an export of a million rows took; the
        // export took 1.50 s once they were gone.
        std::vector<Item> items(n);
        for (std::size_t i = 0; i < n; ++i) {
            items[i] = Item{keys[i], hits[i]};
        }
        using Iterator = std::vector<Item>::iterator;
        auto sortRuns = [&](auto& self, Iterator begin, Iterator end, Level level) -> void {
            if (level.word > kDeepestWord) {
                // Texts that agree this far are rare; compare them whole.
                std::sort(begin, end, lessAt(level));
                return;
            }
            const bool descending = descendingOrder && level.step == Step::kPrimary;
            std::sort(begin, end, [descending](const Item& a, const Item& b) {
                return descending ? a.key > b.key : a.key < b.key;
            });
            for (Iterator run = begin; run != end;) {
                Iterator runEnd = run + 1;
                while (runEnd != end && runEnd->key == run->key) {
                    ++runEnd;
                }
                Level next = level;
                if (runEnd - run > 1 &&
                    nextLevel(next, anyGoesOn(run, runEnd, level,
                                              [](const Item& item) { return item.hit; }))) {
                    FolderWord cache;
                    for (Iterator item = run; item != runEnd; ++item) {
                        item->key = cachedKeyOf(item->hit, next, cache);
                    }
                    self(self, run, runEnd, next);
                }
                run = runEnd;
            }
        };
        sortRuns(sortRuns, items.begin(), items.end(), top);
        for (const Item& item : items) {
            out.push_back(item.hit);
        }
        return out;
    }
    if (n <= std::max<std::size_t>(kSelectBySort, 4 * (last - first))) {
        finish(hits, keys, first, last, top);
    } else {
        select(select, hits, keys, first, last, top, lowest, highest);
    }
    return out;
}

// ---- Rows ----

std::string VexoEngine13::FilePath(const Hit& hit) const {
    const std::string_view prefix = store_.Prefix(hit.folder);
    const std::string_view name = store_.Name(hit.file);
    std::string path;
    path.reserve(prefix.size() + name.size());
    path.append(prefix);
    path.append(name);
    return path;
}

VexoFile13 VexoEngine13::MakeRow(const Hit& hit, LocalTime& local) const {
    VexoFile13 row;
    row.Name = std::string(store_.Name(hit.file));
    row.Path = FilePath(hit);
    std::string scratch;
    row.Extension = std::string(store_.ExtensionOf(hit.file, scratch));
    row.Bytes = store_.Bytes(hit.file);
    row.Modified = local.Parts(store_.LastWrite(hit.file));
    return row;
}

std::vector<VexoFile13> VexoEngine13::Rows(const std::vector<Hit>& hits, std::size_t first,
                                           std::size_t last) {
    LocalTime local(*dependencies_.clock);
    std::vector<VexoFile13> rows;
    rows.reserve(last > first ? last - first : 0);
    for (std::size_t i = first; i < last; ++i) {
        rows.push_back(MakeRow(hits[i], local));
    }
    return rows;
}

// ---- Request ----

std::int32_t VexoEngine13::Request(const Filter& filter, SortOrder order, std::int32_t offset,
                                   std::int32_t limit) {
    const std::int32_t token = token_.fetch_add(1, std::memory_order_acq_rel) + 1;
    Post([this, token, filter, order, offset, limit] {
        RunRequest(token, filter, order, offset, limit);
    });
    return token;
}

void VexoEngine13::RunRequest(std::int32_t token, const Filter& filter, SortOrder order,
                              std::int32_t offset, std::int32_t limit) {
    auto current = [this, token] { return token_.load(std::memory_order_acquire) == token; };
    auto page = std::make_shared<VexoPage13>();
    page->Token = token;
    try {
        if (offset < 0 || limit < 0) {
            throw std::out_of_range(offset < 0 ? "the offset is negative"
                                               : "the page length is negative");
        }
        const Snapshot snapshot = TakeSnapshot();
        LocalTime local(*dependencies_.clock);
        std::vector<Hit> hits;
        std::int64_t bytes = 0;
        if (!Match(snapshot, filter, local, hits, current, &bytes) || !current()) {
            return; // superseded: not sorted, not published
        }
        page->Total = static_cast<std::int32_t>(hits.size());
        page->Bytes = bytes;
        const std::size_t start =
            std::min<std::size_t>(static_cast<std::size_t>(offset), hits.size());
        const std::size_t count =
            std::min<std::size_t>(static_cast<std::size_t>(limit), hits.size() - start);
        const std::vector<Hit> rows = Sort(std::move(hits), order, start, start + count, local);
        page->Rows = Rows(rows, 0, rows.size());
    } catch (const std::exception& failure) {
        page->Rows.clear();
        page->Error = detail::Describe(failure) + " (index query)";
    } catch (...) {
        page->Rows.clear();
        page->Error = "Failure: unknown (index query)";
    }
    // The test of the number and the publication are one step.
    std::lock_guard lock(pageMutex_);
    if (current() && (!page_ || page_->Token < token)) {
        page_ = std::move(page);
    }
}

} // namespace vexo::index
