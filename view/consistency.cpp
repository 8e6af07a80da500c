#include "view/consistency.h"

#include "core/text.h"
#include "view/itemrows.h"

#include <cstdint>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace lorix {

namespace {

struct FolderEntry {
    std::string Name;
    bool Regular = false;
};

std::vector<FolderEntry> ListEntries(const std::string& pdfPath)
{
    std::vector<FolderEntry> out;
    const auto [dir, start] = SplitDocumentPath(pdfPath);
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return out;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::string name = it->path().filename().string();
        if (name == "." || name == ".." || !StartsWith(name, start))
            continue;
        std::error_code tec;
        out.push_back({std::move(name), it->is_regular_file(tec)});
    }
    return out;
}

// For each item, whether another item has the same reference but for the
// case of ASCII letters. One open-addressed table of item numbers and hashes,
// twice the items in size: no copy of a reference, no allocation an item, and
// a look-up touches another item only when the hashes agree.
std::vector<char> SharedReferences(const std::vector<Bibitem>& lib)
{
    struct Slot {
        std::uint32_t Hash = 0;
        std::uint32_t Item = UINT32_MAX;
    };
    size_t cap = 16;
    while (cap < 2 * lib.size())
        cap *= 2;
    std::vector<Slot> slots(cap);
    std::vector<char> shared(lib.size(), 0);
    for (size_t i = 0; i < lib.size(); ++i) {
        const std::string& ref = lib[i].Reference;
        const std::uint64_t h = HashNoCase(ref);
        const auto hash = static_cast<std::uint32_t>(h >> 32);
        for (size_t k = static_cast<size_t>(h) & (cap - 1);; k = (k + 1) & (cap - 1)) {
            Slot& slot = slots[k];
            if (slot.Item == UINT32_MAX) {
                slot = {hash, static_cast<std::uint32_t>(i)};
                break;
            }
            if (slot.Hash == hash && EqualsNoCase(lib[slot.Item].Reference, ref)) {
                shared[slot.Item] = 1;
                shared[i] = 1;
                break;
            }
        }
    }
    return shared;
}

} // namespace

std::vector<std::string> ListDocumentFolder(const std::string& pdfPath)
{
    std::vector<std::string> names;
    for (FolderEntry& e : ListEntries(pdfPath))
        names.push_back(std::move(e.Name));
    return names;
}

std::string_view DocumentBase(std::string_view entryName)
{
    const size_t dot = entryName.find('.');
    return dot == std::string_view::npos ? std::string_view() : entryName.substr(0, dot);
}

std::string DocumentKey(std::string_view reference)
{
    return LowerAscii(DocumentStem(reference));
}

bool CheckConsistency(Session& s, const std::string& pdfPath, const std::function<void()>& afterItems)
{
    // Every error found reaches the log, whatever the user chose for errors.
    const MessageLog::Scope keepErrors(s.Log, ErrorPolicy{.Keep = true, .Show = {}});
    s.Status("Starting consistency check.");
    size_t findings = 0;

    auto& lib = s.Bib.Library;
    const std::vector<char> shared = SharedReferences(lib);
    for (size_t i = 0; i < lib.size(); ++i) {
        if (!shared[i])
            continue;
        ++findings;
        s.Error("Multiply definined reference " + lib[i].Reference + " in " + lib[i].ItemType + " " +
                GetFieldValue(lib[i], "title"));
    }

    // The folder is listed once; showing an item looks up its document file
    // there by the rule of FindDocumentFile, without a file system call each.
    const std::vector<FolderEntry> entries = ListEntries(pdfPath);
    const size_t start = SplitDocumentPath(pdfPath).NameStart.size();
    std::unordered_set<std::string> files;
    for (const FolderEntry& e : entries)
        if (e.Regular)
            files.insert(e.Name.substr(start));
    const auto listed = [&files](const std::string& name) { return files.count(name) > 0; };

    for (int i = 0; i <= s.Bib.LastItemIndex(); ++i) {
        Bibitem& item = lib[static_cast<size_t>(i)];
        // An empty folder holds no document: no name to build for the item.
        item.HasDocument = !files.empty() && !DocumentFileName(DocumentStem(item.Reference), listed).empty() ? 1 : 0;
        findings += ShowItemRows(s, i, false).Errors.size(); // its messages; the rows are not shown
    }
    if (afterItems)
        afterItems();

    // The folder's entries are few, the items many: the entries' names are
    // what is looked up, each item's key once.
    std::unordered_map<std::string, bool> owned; // lower-case base of an entry: some item has it
    for (const FolderEntry& e : entries)
        owned.emplace(LowerAscii(DocumentBase(e.Name)), false);
    if (!owned.empty())
        for (const Bibitem& item : lib) {
            auto it = owned.find(DocumentKey(item.Reference));
            if (it != owned.end())
                it->second = true;
        }
    for (const FolderEntry& e : entries) {
        const std::string_view base = DocumentBase(e.Name);
        if (owned.at(LowerAscii(base)))
            continue;
        ++findings;
        s.Status("File not in database: " + std::string(base));
    }

    const bool passed = findings == 0;
    s.Status(passed ? "Consistency check successful. No errors found"
                    : "Consistency check found errors. Refer to error log.");
    return passed;
}

} // namespace lorix
