// Item editing on a library of 100,000 entries: laying out and logging one
// item, one keystroke's write-back with its list line, and the whole check.

#include "core/session.h"
#include "view/consistency.h"
#include "view/itemrows.h"
#include "view/listview.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kItems = 100000;

void Fill(lorix::Session& s)
{
    s.Settings.SetLines({"maxlogsize=1000", "log.error=no", "log.status=no", "disp.error=no",
                         "disp.status=no", "pdfpath=*none*"});
    s.schema.TypeTable = {
        {"article", 3, {"author", "title", "journal", "year", "volume", "pages", "key", "note"}},
        {"book", 2, {"author", "editor", "title", "publisher", "year"}}};
    s.schema.ChoiceTable = {{"book", {"author", "editor"}}, {"article", {"volume", "note"}}};
    s.Bib.Library.reserve(kItems);
    for (int i = 0; i < kItems; ++i) {
        lorix::Bibitem it;
        it.ItemType = i % 3 ? "article" : "book";
        it.Reference = "author" + std::to_string(i % 90000) + ":" + std::to_string(1950 + i % 70);
        it.Fields = {{"author", "Author, A. and Other, B."},
                     {"title", "A title of some length " + std::to_string(i)},
                     {"year", std::to_string(1950 + i % 70)},
                     {"key", "neuro vision"}};
        if (i % 7 == 0)
            it.Fields.push_back({"volume", "12"});
        if (i % 5 == 0)
            it.Fields.push_back({"note", "n"});
        s.Bib.Library.push_back(std::move(it));
    }
    for (int i = 0; i < 2000; ++i) {
        s.NotesList.push_back("author" + std::to_string(i) + ":1950");
        s.NotesList.push_back("note " + std::to_string(i));
    }
}

template <class F> double MsPerCall(int calls, F&& f)
{
    auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < calls; ++k)
        f(k);
    std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - t0;
    return d.count() / calls;
}

} // namespace

int main()
{
    lorix::Session s;
    Fill(s);
    size_t sink = 0;
    const double show = MsPerCall(2000, [&](int k) {
        const int i = (k * 7919) % kItems;
        sink += lorix::ShowItemRows(s, i).Rows.size();
        sink += lorix::GetNote(s.NotesList, s.Bib.Library[static_cast<size_t>(i)].Reference).size();
    });
    std::string text = "A title of some length";
    const double key = MsPerCall(2000, [&](int) {
        text += 'x';
        lorix::WriteBackRow(s, 4242, "title", text);
        sink += lorix::BuildListLine(s, 4242).size();
    });
    const double check = MsPerCall(3, [&](int) { sink += lorix::CheckConsistency(s, "/nonexistent/"); });
    std::printf("items %d\nshow item (rows, errors, note)  %.5f ms (limit 5)\n"
                "keystroke (write-back, list line) %.5f ms (limit 5)\n"
                "consistency check               %.1f ms (limit 2000)\n(%zu)\n",
                kItems, show, key, check, sink);
    return show < 5 && key < 5 && check < 2000 ? 0 : 1;
}
