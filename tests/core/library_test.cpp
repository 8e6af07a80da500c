#include "core/diskstamp.h"
#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/log.h"
#include "core/model.h"
#include "core/reader.h"
#include "core/text.h"
#include "support/readback.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <tuple>

using namespace lorix;
using namespace lorix::test;
using Strings = std::vector<std::string>;

namespace {

// A library as BibTeX itself reads it, written here apart from the reader so
// that both cannot share a fault: each entry as its type, key and field names
// in lower case and each value as its atoms ("{text}" for braced, quoted and
// numeric ones, a macro's name bare), every run of white space one blank; and
// the @string, @preamble and @comment blocks. Text outside entries is not
// compared.
struct BibtexView {
    Strings entries, blocks;
};

BibtexView ReadAsBibtex(const std::string& t)
{
    BibtexView v;
    size_t i = 0;
    const auto space = [&](size_t k) { return k < t.size() && std::isspace(static_cast<unsigned char>(t[k])); };
    const auto skip = [&] {
        while (space(i))
            ++i;
    };
    // The text from i to where stop() holds, squashed; i ends there.
    const auto take = [&](const std::function<bool()>& stop) {
        std::string out;
        for (; i < t.size() && !stop(); ++i)
            if (!space(i))
                out += t[i];
            else if (!out.empty() && out.back() != ' ')
                out += ' ';
        if (!out.empty() && out.back() == ' ')
            out.pop_back();
        return out;
    };
    // The text of a group opened just before i, up to close at depth 0; i ends past that.
    const auto group = [&](char close) {
        int depth = 0;
        const std::string inner = take([&] {
            if (t[i] == '{')
                return ++depth, false;
            if (depth == 0 && t[i] == close)
                return true;
            return depth -= t[i] == '}', false;
        });
        ++i;
        return inner;
    };
    while ((i = t.find('@', i)) != std::string::npos) {
        ++i;
        skip();
        const std::string type = LowerAscii(take([&] { return !std::isalnum(static_cast<unsigned char>(t[i])); }));
        skip();
        if (type.empty() || i >= t.size() || (t[i] != '{' && t[i] != '('))
            continue;
        const char close = t[i++] == '{' ? '}' : ')';
        if (type == "string" || type == "preamble" || type == "comment") {
            v.blocks.push_back(type + " " + group(close));
            continue;
        }
        std::string entry = type + " " + LowerAscii(take([&] { return t[i] == ',' || t[i] == close; }));
        while (i < t.size() && t[i] != close) {
            ++i; // past the comma
            skip();
            const std::string name = LowerAscii(take([&] { return t[i] == '=' || t[i] == close; }));
            if (i >= t.size() || t[i] == close)
                break;
            entry += "\n  " + name + " =";
            ++i;
            for (bool more = true; more;) { // atoms joined by "#"
                skip();
                if (i < t.size() && (t[i] == '{' || t[i] == '"')) {
                    const char open = t[i++];
                    entry += " {" + group(open == '{' ? '}' : '"') + "}";
                } else {
                    const std::string word = take([&] { return space(i) || (t[i] && std::strchr(",#{}()\"", t[i])); });
                    const bool number = word.find_first_not_of("0123456789") == std::string::npos;
                    entry += number ? " {" + word + "}" : " " + word;
                }
                skip();
                more = i < t.size() && t[i] == '#';
                i += more;
            }
        }
        v.entries.push_back(entry);
        ++i;
    }
    return v;
}

Session& Prepared(Session& s)
{
    EXPECT_TRUE(LoadSettingsFile(s, LORIX_SOURCE_DIR "/data/lorix.ini"));
    s.Settings.Write(key::PdfPath, "*none*");
    s.Settings.Write(key::Backup, "no");
    return s;
}

} // namespace

// What the reader makes of a text and what it reports (one row of errors per
// message, each a part of it), and that the writer's text of it reads back to
// the same and formats again to the same bytes. Rows marked repaired hold a
// value whose braces do not balance: the writer adds the missing ones and
// reports it, and the text reads back to the repaired library.
TEST(Reader, ReadsAndRewritesLosslessly)
{
    const auto field = [](int i) { return ", f" + std::to_string(i) + " = {" + std::to_string(i) + "}"; };
    const auto dumped = [](int i) { return "|f" + std::to_string(i) + ":" + std::to_string(i); };
    struct Case {
        std::string text, dump;
        std::vector<std::string> errors = {};
        bool repaired = false;
    } cases[] = {
        {"@article{Smith99,\nTitle  = {On  the {DNA} code},\nyear = {1999}\n}\n",
         "article{Smith99|title:On the {DNA} code|year:1999}"},
        {"@article{a, title = \"quoted {\"} value\"}", "article{a|title:quoted {\"} value}"},
        {"@article{a, year = 1999}", "article{a|year:1999}"},
        {"@article(a, year = {1999})", "article{a|year:1999}"},
        // A line end inside a value is a blank, with or without blanks beside it.
        {"@misc{r, t = {International Conference\non Systems}, u = {a \r\n  b}, v = {a\r\rb},\n"
         "  w = \"x\n\ny\" # z}",
         "misc{r|t:International Conference on Systems|u:a b|v:a b|w=\"x y\" # z}"},
        // The type may stand after blanks; its case is kept, as is the reference's.
        {"@ misc { Ref9 , note = {x}}\n@\tARTICLE(DBLP:conf/X, y = 1)\n@Book{\xc3\x9c" "BER,}",
         "misc{Ref9|note:x}ARTICLE{DBLP:conf/X|y:1}Book{\xc3\x9c" "BER}"},
        {"@article{a, month = jan, note = \"x\" # foo # {y}, year = {1}}",
         "article{a|month=jan|note=\"x\" # foo # {y}|year:1}"},
        {"% head\n@string{ACM = \"The ACM\"}\n\nmail me: x@y.org\n@book{b1, t = {1}}\n"
         "@comment{meta}\n% between\n@book{b2, t = {2}}\n% tail\n",
         "<% head\n@string{ACM = \"The ACM\"}><@comment{meta}>[mail me: x@y.org]book{b1|t:1}"
         "[% between]book{b2|t:2}[% tail]"},
        // A block that is not closed is closed where its text ends.
        {"@string{x = {y\n@misc{a, t = {1}}\n@comment(a ( b\n", "<@string{x = {y}}><@comment(a ( b))>misc{a|t:1}",
         {"@string block at line 1 is not closed", "@comment block at line 3"}},
        {"@a{many" + Repeat(33, field) + "}", "a{many" + Repeat(31, dumped) + "}",
         {"Entry many at line 1 has more than 31 fields; dropped: f31, f32."}},
        // Text that fits no field is reported with its entry and line.
        {"@misc{r, title = {x} junk}\n@misc{s,\n  note = {a} {b}, junk,\n  t = {1}}\n@misc{Ref9\n  title = {x},}",
         "misc{r|title:x}misc{s|note:a|t:1}misc{Ref9|title:x}",
         {"Entry r at line 1: the text \"junk\" at line 1 belongs to no field",
          "Entry s at line 2: the text \"{b}\" at line 3", "\"junk\" at line 3",
          "Entry Ref9 at line 5 has no comma after its reference"}},
        {"@misc(r, t = } x, u = {y} \"z)", "misc{r|t=x|u:y}", {"\"}\" at line 1", "\"\"z\" at line 1"}},
        // A quoted value may hold a brace that closes nothing.
        {"@misc{r, t = \"a } b\", u = {2}}", "misc{r|t:a } b|u:2}", {}, true},
        // Recovery from an unbalanced brace keeps the entries that follow.
        {"@a{one, t = {x {y z, u = {v}\n@a{two, t = {2}}\n", "a{one|t:x {y z, u = {v}a{two|t:2}",
         {"one at line 1"}, true},
        {Repeat(3000, [](int i) { return i % 3 ? i % 3 == 1 ? "\n" : "\r" : "\r\n"; }) +
             "@misc{cut, t = {open\n",
         "", {"cut at line 3001"}},
        // Fuzzer finds: recovery cut a balanced {{New York}} at its inner brace
        // and then wrote text that read back differently...
        {"@misc{c,\n  location = {{New York}},\n  note = {Thi\\{'ebaux},\n}\n@misc{d,\n  title = {t}\n}\n",
         "misc{c|location:{New York}|note:Thi\\{'ebaux}misc{d|title:t}", {"c"}, true},
        // ... a control character before a value made it an empty macro ...
        {"@misc{a,\n  booktitle =\x1d{Meaning},\n  year =\x01 1999\n}\n",
         "misc{a|booktitle:Meaning|year:1999}"},
        // ... a field name read as "@string{x" was written at a line start,
        // where it read as a new entry ...
        {"@misc{r,\n  note = {a}, @string{x = {b}, @ @  y = {c}\n}\n", "misc{r|note:a|stringx:b|y:c}"},
        // ... so could one whose "@" was followed by control characters ...
        {std::string("@misc{r,\n  @\0\x01 author = {x}\n}\n", 30), "misc{r|author:x}"},
        // ... a reference holding braces broke the header it was written into,
        // and dropping them left a blank run that read back folded ...
        {"@misc{a{b}},\n  note = {x}\n}\n", "misc{ab}[},\n  note = {x}\n}]"},
        {"@misc{Wo {  x}},\n  y = {2}\n}\n", "misc{Wo x}[},\n  y = {2}\n}]"},
        // ... and in an entry closed by ")" braces in a name or a word closed
        // the braced entry they were saved in.
        {"@misc(r, ti}tle = {x}, note = foo}bar, year = }1999)", "misc{r|title:x|note=foo|year:1999}",
         {"\"}bar\"", "\"}\""}},
        // A name loses what a typed one loses: blanks, control characters and
        // the characters that end a name or a value.
        {"@misc(r, a { } b = {c}, u\x01{ = {d})\n@misc{s, \"x(y)#\" = {e}}", "misc{r|ab:c|u:d}misc{s|xy:e}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        Read r = ReadText(c.text);
        EXPECT_EQ(Dump(r.bib), c.dump);
        for (const Bibitem& it : r.bib.Library)
            EXPECT_LE(it.Fields.capacity(), 31u); // no room wasted on 100,000 entries
        EXPECT_EQ(r.errors.size(), c.errors.size()) << testing::PrintToString(r.errors);
        for (size_t e = 0; e < std::min(r.errors.size(), c.errors.size()); ++e)
            EXPECT_NE(r.errors[e].find(c.errors[e]), std::string::npos) << r.errors[e];
        for (WriteOptions o : {WriteOptions{}, WriteOptions{true, 30, 4}}) {
            int repairs = 0;
            EXPECT_EQ(RoundTripFault(r.bib, o, true, &repairs), "");
            EXPECT_EQ(repairs, c.repaired ? 1 : 0);
        }
    }
}

// The clean-up rules of the reader and the model, one row each: rule, input, result.
TEST(Reader, CleanUpRules)
{
    const auto keywords = [](std::string_view v) {
        std::string out;
        while (!v.empty())
            out += "[" + std::string(NextKeyword(v)) + "]";
        return out;
    };
    const auto path = [](std::string_view p) {
        const DocumentPath d = SplitDocumentPath(p);
        return d.Folder + "|" + d.NameStart;
    };
    const std::map<std::string, std::function<std::string(std::string_view)>> rules = {
        {"value", FoldValue}, {"name", FieldNameFromFile}, {"comment", TidyLines},
        {"no comma", [](std::string_view r) { return std::to_string(static_cast<long>(MissingCommaAt(r))); }},
        {"keywords", keywords}, {"documents", path},
    };
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"value", "a\tb\rc", "a\tb c"}, {"name", "x@Y", "x@y"},
        {"comment", "\n \n% one\r\n\n% two\r  \n", "% one\n\n% two"},
        {"no comma", "ref title = {x", "3"}, {"no comma", "ref\n=", "3"}, {"no comma", "Smith 2001", "-1"},
        {"keywords", "neuro  vision,retina \x01 x", "[neuro][vision,retina][x]"},
        {"documents", "", ".|"}, {"documents", "docs/", "docs/|"},
        {"documents", "a/docs/pre", "a/docs/|pre"}, {"documents", "pre", ".|pre"},
    };
    for (const auto& [rule, in, out] : cases)
        EXPECT_EQ(rules.at(rule)(in), out) << rule << ": " << in;
    EXPECT_EQ(BlockClosing(2, '}') + BlockClosing(1, ')') + BlockClosing(-2, ')'), "}}}))(()");
}

TEST(Writer, LayoutOfAnEntryAndAStableByteWiseSort)
{
    Read r = ReadText("@article{Smith:99,}\n@article{Smith99, author = {Smith, J.}, year = {1999}, "
                      "month = jan, e = {}}");
    EXPECT_EQ(FormatLibrary(r.bib, {}), "@article{Smith:99,\r\n  }\r\n\r\n@article{Smith99,\r\n"
                                        "  author = {Smith, J.},\r\n  year = {1999},\r\n  month = jan,\r\n"
                                        "  e = {}\r\n  }\r\n\r\n");
    EXPECT_EQ(FormatLibrary(TBib{}, {}), "");
    r = ReadText("@b{r1, year={2}}@a{r2, year={1}}@B{r3, year={2}}@a{r4}");
    SortLibrary(r.bib, "year");
    EXPECT_EQ(Dump(r.bib), "a{r4}a{r2|year:1}b{r1|year:2}B{r3|year:2}");
    SortLibrary(r.bib, "type");
    EXPECT_EQ(r.bib.Library[0].ItemType, "B");
}

// Whatever the widths, and whatever line breaks were typed into a value, the
// file holds CR LF line ends only and reads back to the value with each break
// as one blank; where given, the broken lines are exactly these. An "@word("
// at the start of a line read as a new entry and lost the rest (a fuzzer
// find): neither a typed nor a made break goes there.
TEST(Writer, ValuesReadBackWithBreaksAsOneBlank)
{
    struct Case {
        std::string typed, read = "";
        int w = 20, n = 4;
        std::string lines = "";
    } cases[] = {
        {"New\nYork", "New York"}, {"a\r\nb", "a b"}, {"a\rb", "a b"}, {"\n\nlead", "lead"},
        {"two \n\n lines", "two lines"}, {"mail\n @jc(2AL) x", "mail @jc(2AL) x"},
        {"= \n\n@sen7(P", "= @sen7(P"}, {"Preparation System; e-mail: @jc(2AL) and more @b{c} words"},
        {"The quick brown fox jumps over the lazy dog again and again", "", 30, 4,
         "  title = {The quick brown fox\r\n      jumps over the lazy dog again\r\n      and again},\r\n"},
        {"12345 789", "", 22, 2, "  title = {12345 789},\r\n"},
        {"a b c d e f g h i j k l m n o", "", 20, 2,
         "  title = {a b c d e\r\n    f g h i j k l m n\r\n    o},\r\n"},
        {"one two three four five six seven", "", 5, -3}, {"one two three four five", "", -4, 20},
    };
    for (bool breaking : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            const TBib bib{{{0, "article", "q", {{"title", c.typed}, {"year", "1"}}, {}}}, {}, {}, true};
            const std::string text = FormatLibrary(bib, WriteOptions{breaking, c.w, c.n});
            for (size_t k = text.find_first_of("\r\n"); k != std::string::npos;
                 k = text.find_first_of("\r\n", k + 2))
                ASSERT_EQ(text.compare(k, 2, "\r\n"), 0) << text;
            if (breaking && !c.lines.empty()) {
                EXPECT_EQ(text, "@article{q,\r\n" + c.lines + "  year = {1}\r\n  }\r\n\r\n");
            }
            const Read r = ReadText(text);
            EXPECT_TRUE(r.errors.empty());
            EXPECT_EQ(Dump(r.bib), "article{q|title:" + (c.read.empty() ? c.typed : c.read) + "|year:1}");
        }
}

// Each corpus file reads with all its entries; the writer's text of it, with
// and without line breaking, reads back to the same library, formats again to
// the same bytes, and holds what BibTeX reads in the original, entry for entry
// and field for field.
TEST(Library, CorpusFilesReadCompletelyAndRoundTrip)
{
    if (const std::string why = CorpusMissing(); !why.empty())
        GTEST_SKIP() << why;
    for (const auto& [file, entries] : kCorpusLibraries) {
        SCOPED_TRACE(file);
        const std::string text = ReadWholeFile(CorpusFile(std::string("bib/") + file));
        const Read r = ReadText(text);
        EXPECT_EQ(r.n, entries);
        EXPECT_EQ(r.bib.Utf8, std::string(file).find("latin1") == std::string::npos);
        const BibtexView original = ReadAsBibtex(text);
        for (WriteOptions o : {WriteOptions{}, WriteOptions{true, 40, 3}, WriteOptions{true, 70, 2}}) {
            EXPECT_EQ(RoundTripFault(r.bib, o, r.errors.empty()), "");
            const std::string once = FormatLibrary(r.bib, o);
            const BibtexView saved = ReadAsBibtex(once);
            EXPECT_EQ(saved.blocks, original.blocks);
            ASSERT_EQ(saved.entries.size(), original.entries.size());
            for (size_t e = 0; e < original.entries.size(); ++e)
                ASSERT_EQ(saved.entries[e], original.entries[e]) << "entry " << e;
        }
    }
}

TEST(Library, LoadAndSaveThroughTheSession)
{
    TempDir dir;
    Session s;
    const std::string lib = dir.file("lib.bib"),
                      text = "@a{R1, key = {b A b}, Key = {a neuro  vision,retina}, t = {1}}\n";
    WriteFile(lib, text);
    Prepared(s).Settings.Write(key::Filename, lib);
    ASSERT_TRUE(LoadNamedLibrary(s));
    // Blanks separate keywords, commas do not.
    EXPECT_EQ(s.KeywordList, (Strings{"A", "b", "neuro", "vision,retina"}));
    s.Settings.Write(key::Backup, "yes");
    const std::string saved = dir.file("new.bib");
    SaveLibraryFile(s, saved); // a first save makes no backup
    EXPECT_FALSE(Exists(saved + ".bak"));
    // A bad width or "*none*" write nothing and keep the flag.
    s.Settings.Write(key::LineBreak, "yes");
    s.Settings.Write(key::LineWidth, "abc");
    s.LibraryChanged = true;
    const std::string before = ReadFile(saved);
    EXPECT_THROW(SaveLibraryFile(s, saved), ConversionError);
    EXPECT_EQ(ReadFile(saved), before);
    // The insert width is read only when a line needs breaking.
    s.Settings.Write(key::LineWidth, "40");
    s.Settings.Write(key::InsertWidth, "abc");
    SaveLibraryFile(s, saved);
    s.Bib.Library[0].Fields.push_back({"title", "a title that is longer than forty characters"});
    s.LibraryChanged = true;
    EXPECT_THROW(SaveLibraryFile(s, saved), ConversionError);
    EXPECT_EQ(ReadFile(saved), before);
    s.Settings.Write(key::LineBreak, "no");
    EXPECT_THROW(SaveLibraryFile(s, "*none*"), FileError);
    EXPECT_TRUE(s.LibraryChanged);
    // A second load cuts the field names back to the schema's; names are
    // added once, whatever their letter case.
    s.schema.FieldNames = {"author"};
    s.schema.LastSchemaField = 0;
    WriteFile(dir.file("a.bib"), "@a{x, onlyfirst = {1}, OnlyFirst = {2}}");
    WriteFile(dir.file("b.bib"), "@a{x, second = {1}}");
    LoadLibraryFile(s, dir.file("a.bib"));
    EXPECT_EQ(s.schema.FieldNames, (Strings{"author", "onlyfirst"}));
    LoadLibraryFile(s, dir.file("b.bib"));
    EXPECT_EQ(s.schema.FieldNames, (Strings{"author", "second"}));
}

// A load replaces the library and its notes together or not at all, and the
// notes of one library never stay with the next; one that cannot read its
// notes is the commands test's. Each step loads a name and states what the
// session then holds: entries, notes and the last message.
TEST(Library, LoadIsAllOrNothingAndNotesBelongToTheirLibrary)
{
    TempDir dir;
    WriteFile(dir.file("a.bib"), "@a{A1, t = {1}}\n");
    WriteFile(dir.file("a.not"), "A1\r\nnote of a\r\n");
    WriteFile(dir.file("b.bib"), "@a{B1, t = {1}}\n@a{B2, other = {2}}\n");
    std::filesystem::create_directory(dir.file("folder.bib"));
    ::mkfifo(dir.file("fifo.bib").c_str(), 0644);
    Session s;
    std::string last;
    Prepared(s).Log.Observer = [&](const std::string& t, MessageKind) { last = t; };
    const std::string b = "a{B1|t:1}a{B2|other:2} notes:";
    const std::tuple<std::string, std::string, std::string> steps[] = { // file, library and notes, last message
        {dir.file("a.bib"), "a{A1|t:1} notes:A1,note of a,", "Loaded"}, {dir.file("b.bib"), b, "Loaded"},
        {dir.file("folder.bib"), b, "Cannot load " + dir.file("folder.bib") + ": it is a folder, not a file."},
        {dir.file("fifo.bib"), b, "Cannot load " + dir.file("fifo.bib") + ": it is a named pipe, not a file."},
        {"/dev/null", b, "Cannot load /dev/null: it is a device, not a file."},
    };
    for (const auto& [file, held, message] : steps) {
        s.LibraryChanged = true;
        s.Settings.Write(key::Filename, file);
        last.clear();
        const Strings names = s.schema.FieldNames;
        LoadNamedLibrary(s);
        EXPECT_EQ(Dump(s.Bib) + " notes:" + JoinLines(s.NotesList, ","), held) << file;
        EXPECT_EQ(last.substr(0, message.size()), message) << file;
        EXPECT_EQ(s.LibraryChanged, message != "Loaded") << file;
        if (message != "Loaded") {
            EXPECT_EQ(s.schema.FieldNames, names) << file;
        }
    }
    // The library without notes saves an empty notes file, never a's notes; a
    // value whose braces do not balance is saved repaired, and that is said.
    s.Bib.Library[0].Fields[0].Value = "a } b";
    SaveLibraryFile(s, dir.file("b.bib"));
    EXPECT_EQ(ReadFile(dir.file("b.not")), "");
    EXPECT_EQ(last, "Unbalanced braces in field t of entry B1: saved with the missing braces added.");
}

// What a save compares before it overwrites: a change by another program is
// seen whatever its size and time say; the same bytes written again are none.
// Files longer than the pieces the digest reads: a change in a later piece
// counts, and so does the order of the pieces.
TEST(DiskStamp, SeesEveryChangeOfContentAndNoOther)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string lib = dir.file("lib.bib"), a(1 << 20, 'a'), b(1 << 20, 'b');
    const auto later = [&lib] { fs::last_write_time(lib, fs::last_write_time(lib) + std::chrono::seconds(5)); };
    const struct {
        const char* name;
        std::string before; // "": no file
        std::function<void()> change;
        bool changed;
    } cases[] = {
        {"untouched", "abc", [] {}, false},
        {"same bytes, later time", "abc", [&] { WriteFile(lib, "abc"), later(); }, false},
        {"same size, other bytes", "abc", [&] { WriteFile(lib, "abd"), later(); }, true},
        // as on a file system whose clock ticks in whole seconds
        {"written at once, the same time", "abc",
         [&] { const auto t = fs::last_write_time(lib); WriteFile(lib, "xyz"), fs::last_write_time(lib, t); }, true},
        {"other size", "abc", [&] { WriteFile(lib, "abcd"); }, true},
        {"removed", "abc", [&] { fs::remove(lib); }, true},
        {"replaced by a rename", "abc", [&] { WriteFile(lib + ".t", "xyz"), fs::rename(lib + ".t", lib); }, true},
        {"a later piece", a + b + a, [&] { WriteFile(lib, a + b + b), later(); }, true},
        {"the pieces swapped", a + b, [&] { WriteFile(lib, b + a), later(); }, true},
        {"absent and still so", "", [] {}, false},
    };
    for (const auto& c : cases) {
        fs::remove(lib);
        if (!c.before.empty())
            WriteFile(lib, c.before);
        DiskStamp stamp = TakeDiskStamp(lib);
        c.change();
        EXPECT_EQ(ChangedOnDisk(stamp, lib), c.changed) << c.name;
    }
    EXPECT_TRUE(SameFilePath(lib, dir.path() + "/./lib.bib"));
    EXPECT_FALSE(SameFilePath(lib, dir.file("other.bib")));
}

// Entries of varying length, one of them broken, and one value of 6 MB: the
// file read in chunks (1 MB, doubled while no entry fits) gives what a read of
// the whole text gives, errors with their line numbers included; saved in
// pieces, with line breaking off and on, it reads back the same, the broken
// value repaired.
TEST(HugeInput, ChunkedLoadAndSaveKeepEveryByte)
{
    const int count = 200000, broken = 120000, big = 150000;
    std::string value;
    for (int w = 0; value.size() < (6u << 20); ++w)
        value += (w % 11 == 0 ? "{DNA} " : w % 5 == 0 ? "\xc3\xa9t\xc3\xa9 " : "word ");
    value.pop_back(); // no trailing blank: a value is stored trimmed
    const auto title = [&](int e) {
        return e == big ? value : "T " + std::to_string(e) + std::string(size_t(e % 7), 'a');
    };
    const std::string text = Repeat(count, [&](int e) {
        return "@misc{R" + std::to_string(e) + ",\r\n  title = {" + title(e) + "},\r\n  year = {" +
               std::to_string(1900 + e % 100) + "}\r\n}\r\n" + (e == broken ? "@book{broken, t = {x {y\r\n" : "");
    });
    TempDir dir;
    WriteFile(dir.file("huge.bib"), text);
    Session s;
    std::vector<std::string> errors;
    Prepared(s).Log.Observer = [&](const std::string& t, MessageKind k) {
        if (k == MessageKind::Error)
            errors.push_back(t);
    };
    ASSERT_EQ(LoadLibraryFile(s, dir.file("huge.bib")), count + 1);
    EXPECT_TRUE(GetFieldValue(s.Bib.Library[big + 1], "title") == value); // past the broken entry
    Read whole = ReadText(text);
    ASSERT_EQ(whole.errors.size(), 1u);
    EXPECT_EQ(errors, whole.errors);
    EXPECT_TRUE(Dump(s.Bib) == Dump(whole.bib)); // no diff of 15 MB on failure
    for (Bibitem& it : whole.bib.Library)
        for (Bibfield& f : it.Fields)
            BalanceField(f);
    for (const char* lineBreak : {"no", "yes"}) {
        s.Settings.Write(key::LineBreak, lineBreak);
        SaveLibraryFile(s, dir.file("saved.bib"));
        Session again;
        ASSERT_EQ(LoadLibraryFile(Prepared(again), dir.file("saved.bib")), count + 1);
        EXPECT_TRUE(Dump(again.Bib) == Dump(whole.bib)) << lineBreak;
    }
}

TEST(FindDocumentFile, ColonRuleAndLastExtensionWins)
{
    TempDir dir;
    for (const char* f : {"smith1999a.pdf", "xy:z.ps", "ref.pdf", "ref.doc"})
        WriteFile(dir.file(f), "x");
    for (auto [ref, file] : {std::pair{"smith:1999a", "smith1999a.pdf"}, {"x:y:z", "xy:z.ps"}, {"ref", "ref.doc"},
                             {"nothing", ""}})
        EXPECT_EQ(FindDocumentFile(ref, dir.path() + "/"), file) << ref;
}

TEST(Notes, FileNameAndReferenceLinesAtEvenPositions)
{
    for (auto [lib, notes] : {std::pair{"lib.bib", "lib.not"}, {"/a/b.c.d", "/a/b.not"}, {"library", "library.not"},
                              {"my.data/library", "my.data/library.not"}, {"d/refs.not", "d/refs.not.not"},
                              {"refs.not.bib", "refs.not"}})
        EXPECT_EQ(NotesFileName(lib), notes) << lib;
    // The note of "b" equals the reference "c" and stands before c's own line;
    // such a note once hid the note of c.
    std::vector<std::string> list = {"A", "note of a", "b", "C", "c", "note of c", "d"};
    // "d" is a reference line without a note line.
    for (auto [ref, note, entry] :
         {std::tuple{"a", "note of a", 0}, {"B", "C", 2}, {"c", "note of c", 4}, {"d", "", 6}})
        EXPECT_TRUE(GetNote(list, ref) == note && FindNoteEntry(list, ref) == entry) << ref;
    EXPECT_EQ(FindNoteEntry({"b", "c"}, "c"), -1);
}

TEST(Text, Utf8AndCharacterCounts)
{
    EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "a\xE9t\xE9"}) // overlong, surrogate, Latin-1
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(LogMessage, SwitchesDecideWhereAMessageGoesAndTheLogIsTrimmed)
{
    SettingsList settings({"log.status=yes", "disp.status=no", "log.error=no", "disp.error=no", "maxlogsize=3"});
    MessageLog log{settings};
    std::string status = "Status";
    log.ShowStatus = [&](const std::string& t) { status = t; };
    log.Clock = [] {
        std::tm t{};
        t.tm_year = 104, t.tm_mon = 2, t.tm_mday = 7, t.tm_hour = 9, t.tm_min = 5;
        return t;
    };
    log.LogList = {"1", "2"};
    log.LogMessage("hello", MessageKind::Status);
    EXPECT_EQ(status, "Status");
    EXPECT_EQ(log.LogList, (std::vector<std::string>{"1", "2", "2004/03/07, 09:05 hello"}));
    log.LogMessage("bad", MessageKind::Error);
    settings.Write(key::DispError, "yes");
    log.LogMessage("shown", MessageKind::Error);
    EXPECT_EQ(status, "shown");
    {
        // A scope's policy decides for errors meanwhile; the settings stay as they are.
        const MessageLog::Scope quiet(log, ErrorPolicy{.Keep = true, .Show = false});
        log.LogMessage("kept", MessageKind::Error);
        EXPECT_EQ(status + " " + log.LogList.back(), "shown 2004/03/07, 09:05 kept");
        EXPECT_EQ(settings.Read(key::LogError) + settings.Read(key::DispError), "noyes");
    }
    log.LogMessage("dropped", MessageKind::Error);
    EXPECT_EQ(status + " " + log.LogList.back(), "dropped 2004/03/07, 09:05 kept");
    log.LogList.erase(log.LogList.end() - 1);
    log.LogMessage("4", MessageKind::Status); // trimmed to maxlogsize after every call
    EXPECT_EQ(log.LogList, (std::vector<std::string>{"2", "2004/03/07, 09:05 hello", "2004/03/07, 09:05 4"}));
    settings.Write(key::MaxLogSize, "lots");
    EXPECT_THROW(log.LogMessage("y", MessageKind::Status), ConversionError);
    EXPECT_EQ(log.LogList.size(), 4u); // kept before the conversion failed
}

// A new item's suffix could once be "}", which closed the entry's header.
TEST(UniqueReference, FirstFreeCandidateByCharacterCode)
{
    TBib bib;
    for (const char* r : {"smith", "smitha", "x", "xa", "t:1999a", "", "q"})
        bib.Library.push_back(Bibitem{0, "article", r, {}, {}});
    for (auto [ref, unique] : {std::pair{"smith", "smithb"}, {"Smith", "Smith"}, {"t:1999", "t:1999"}, {"", "a"}})
        EXPECT_EQ(UniqueReference(bib, ref), unique) << ref;
    for (char c = 'a'; c <= 'z'; ++c)
        bib.Library.push_back(Bibitem{0, "article", std::string("q") + c, {}, {}});
    EXPECT_EQ(UniqueReference(bib, "q"), "q|"); // braces cannot stand in a saved reference
    bib.Library.push_back(Bibitem{0, "article", "q|", {}, {}});
    EXPECT_EQ(UniqueReference(bib, "q"), "q~");
}
