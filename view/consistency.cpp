#include "view/consistency.h"

#include "core/text.h"
#include "view/itemrows.h"

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
    {
        // Each item keeps a pointer to its reference's count, so that the
        // second pass looks nothing up again.
        std::unordered_map<std::string, int> counter;
        counter.reserve(lib.size());
        std::vector<const int*> count;
        count.reserve(lib.size());
        for (const Bibitem& item : lib) {
            int& n = counter[LowerAscii(item.Reference)];
            ++n;
            count.push_back(&n);
        }
        for (size_t i = 0; i < lib.size(); ++i) {
            if (*count[i] < 2)
                continue;
            ++findings;
            s.Error("Multiply definined reference " + lib[i].Reference + " in " + lib[i].ItemType + " " +
                    GetFieldValue(lib[i], "title"));
        }
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
