#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <random>

using namespace lorix;
using lorix::test::TempDir;

namespace {

struct Read {
    TBib bib;
    Schema schema;
    std::vector<std::string> keywords;
    std::vector<std::string> errors;
    int n = 0;
};

Read ReadText(const std::string& text, const std::string& pdfPath = "/nonexistent-folder/")
{
    Read r;
    ReadContext ctx{&r.schema, &r.keywords, pdfPath, [&r](const std::string& e) { r.errors.push_back(e); }};
    r.n = ReadBibText(text, r.bib, ctx);
    return r;
}

std::string Join(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& x : v)
        s += x + "|";
    return s;
}

// Everything the reader keeps, in one line: <block> [leading text]
// type{reference|name:braced value|name=bare value} [trailing text].
std::string Dump(const TBib& bib, bool lowerRefs = false)
{
    std::string s;
    for (const auto& b : bib.Blocks)
        s += "<" + b + ">";
    for (const Bibitem& it : bib.Library) {
        s += (it.LeadingText.empty() ? "" : "[" + it.LeadingText + "]") + it.ItemType + "{" +
             (lowerRefs ? LowerAscii(it.Reference) : it.Reference);
        for (const Bibfield& f : it.Fields)
            s += "|" + f.Name + (f.Bare ? "=" : ":") + f.Value;
        s += "}";
    }
    return s + (bib.TrailingText.empty() ? "" : "[" + bib.TrailingText + "]");
}

std::string MixedLineEnds(int lines)
{
    std::string text;
    const char* const ends[] = {"\r\n", "\n", "\r"};
    for (int i = 0; i < lines; ++i)
        text += ends[i % 3];
    return text;
}

} // namespace

// What the reader makes of a text, and that the writer's text of it reads
// back to the same (with references lower-cased) and formats again to the
// same bytes. Rows marked lossy keep a recovered value that cannot be
// written unchanged (an unbalanced brace).
TEST(Reader, ReadsAndRewritesLosslessly)
{
    struct Case {
        std::string text, dump, error = "";
        bool lossy = false;
    } cases[] = {
        {"@article{Smith99,\nTitle  = {On  the {DNA} code},\nyear = {1999}\n}\n",
         "article{Smith99|title:On the {DNA} code|year:1999}"},
        {"@article{a,\n title = {first\n    second}}", "article{a|title:first second}"},
        {"@article{a,\n title = {first \n    second}}", "article{a|title:first second}"},
        {"@article{a,\n title = {first\nsecond}}", "article{a|title:firstsecond}"},
        {"@article{a,\r\n title = {first \r\n second}}", "article{a|title:first second}"},
        {"@article{a,\r title = {x\r y}}", "article{a|title:x y}"},
        {"@article{a, title = \"quoted {\"} value\"}", "article{a|title:quoted {\"} value}"},
        {"@article{a, year = 1999}", "article{a|year:1999}"},
        {"@article(a, year = {1999})", "article{a|year:1999}"},
        {"@article{a, TITLE = {x}}", "article{a|title:x}"},
        {"@article{a,\n  title = {x},\n}", "article{a|title:x}"},
        {"@ARTICLE{ Smith99 , x = {1}}\n@misc{ref,}\n", "ARTICLE{Smith99|x:1}misc{ref}"},
        {"@article{a, month = jan, note = \"x\" # foo # {y}, year = {1}}",
         "article{a|month=jan|note=\"x\" # foo # {y}|year:1}"},
        {"@a{x, t={1}}\ncomment @misc{y, t={2}}\n", "a{x|t:1}[comment ]misc{y|t:2}"},
        {"% head\n@string{ACM = \"The ACM\"}\n\nmail me: x@y.org\n@book{b1, t = {1}}\n"
         "@comment{meta}\n% between\n@book{b2, t = {2}}\n% tail\n",
         "<% head\n@string{ACM = \"The ACM\"}><@comment{meta}>[mail me: x@y.org]book{b1|t:1}"
         "[% between]book{b2|t:2}[% tail]"},
        // Recovery from an unbalanced brace keeps the entries that follow.
        {"@a{one, author = {Thi\\{'ebaux, J.},\n  title = {T1}\n}\n\n@a{two, title = {T2}}\n@a{three, title = {T3}}\n",
         "a{one|author:Thi\\{'ebaux, J.|title:T1}a{two|title:T2}a{three|title:T3}", "one at line 1", true},
        {"@a{one, t = {x {y z, u = {v}\n@a{two, t = {2}}\n", "a{one|t:x {y z, u = {v}a{two|t:2}", "one", true},
        {"@a{one, t = {1}}\n@a{two, t = {never ends", "a{one|t:1}", "two"},
        {MixedLineEnds(3000) + "@misc{cut, t = {open\n", "", "cut at line 3001"},
        // Fuzzer finds: recovery cut a balanced {{New York}} at its inner brace
        // and then wrote text that read back differently...
        {"@misc{c,\n  location = {{New York}},\n  note = {Thi\\{'ebaux},\n}\n@misc{d,\n  title = {t}\n}\n",
         "misc{c|location:{New York}|note:Thi\\{'ebaux}misc{d|title:t}", "c", true},
        {"@book{a,\n  title = {x}\n}\n\n@incollection{b,\n  author = {F, M},\n  location = {{New York}},\n"
         "  pages = {32--50},\n",
         "book{a|title:x}", "b"},
        // ... a control character before a value made it an empty macro ...
        {"@misc{a,\n  booktitle =\x1d{Meaning},\n  year =\x01 1999\n}\n", "misc{a|booktitle:Meaning|year:1999}"},
        // ... a field name read as "@string{x" was written at a line start,
        // where it read as a new entry ...
        {"@misc{r,\n  note = {a}, @string{x = {b}, @ @  y = {c}\n}\n", "misc{r|note:a|string{x:b|y:c}"},
        // ... and a reference holding braces broke the header it was written into.
        {"@misc{a{b}},\n  note = {x}\n}\n", "misc{ab}[},\n  note = {x}\n}]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        Read r = ReadText(c.text);
        EXPECT_EQ(Dump(r.bib), c.dump);
        EXPECT_EQ(r.n, int(r.bib.Library.size()));
        if (c.error.empty()) {
            EXPECT_TRUE(r.errors.empty()) << Join(r.errors);
        } else {
            ASSERT_EQ(r.errors.size(), 1u) << Join(r.errors);
            EXPECT_NE(r.errors[0].find(c.error), std::string::npos) << r.errors[0];
        }
        for (WriteOptions o : {WriteOptions{}, WriteOptions{true, 30, 4}}) {
            const std::string once = FormatLibrary(r.bib, o);
            Read again = ReadText(once);
            EXPECT_EQ(again.n, r.n);
            if (c.lossy)
                continue;
            EXPECT_TRUE(again.errors.empty()) << Join(again.errors);
            EXPECT_EQ(Dump(again.bib), Dump(r.bib, true));
            EXPECT_EQ(FormatLibrary(again.bib, o), once);
        }
    }
}

TEST(Reader, KeywordsFieldNamesAndDocumentFlag)
{
    Read r = ReadText("@a{x, key = {x y x}, Key = {X neuro  vision,retina}}");
    EXPECT_EQ(Join(r.keywords), "x|y|neuro|vision,retina|");
    EXPECT_EQ(Join(r.schema.FieldNames), "key|");
    TempDir dir;
    lorix::test::WriteFile(dir.file("ab.pdf"), "x");
    Read d = ReadText("@a{a:b, t={1}}\n@a{c, t={1}}", dir.path() + "/");
    EXPECT_EQ(d.bib.Library[0].HasDocument, 1);
    EXPECT_EQ(d.bib.Library[1].HasDocument, 0);
}

TEST(Reader, MoreThan31FieldsKeepsFirst31)
{
    std::string text = "@a{many";
    for (int i = 0; i < 33; ++i)
        text += ", f" + std::to_string(i) + " = {" + std::to_string(i) + "}";
    Read r = ReadText(text + "}");
    ASSERT_EQ(r.n, 1);
    EXPECT_EQ(r.bib.Library[0].Fields.size(), 31u);
    EXPECT_EQ(r.bib.Library[0].Fields.capacity(), 31u);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("many"), std::string::npos);
    EXPECT_NE(r.errors[0].find("f31, f32"), std::string::npos);
}

TEST(Reader, RandomBytesNeverCrashOrHang)
{
    std::mt19937 rng(7);
    const char alphabet[] = "@{}(),=\"# \n\rab1\\%";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int i = 0, len = int(rng() % 200); i < len; ++i)
            text.push_back(round % 2 ? char(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)]);
        Read r = ReadText(text);
        EXPECT_EQ(ReadText(FormatLibrary(r.bib, {})).n, r.n) << text;
    }
}

TEST(Writer, LayoutOfAnEntry)
{
    Read r = ReadText("@article{Smith:99,}\n@article{Smith99, author = {Smith, J.}, year = {1999}, "
                      "month = jan, e = {}}");
    EXPECT_EQ(FormatLibrary(r.bib, {}), "@article{smith:99,\r\n  }\r\n\r\n@article{smith99,\r\n"
                                        "  author = {Smith, J.},\r\n  year = {1999},\r\n  month = jan,\r\n"
                                        "  e = {}\r\n  }\r\n\r\n");
    EXPECT_EQ(FormatLibrary(TBib{}, {}), "");
    std::string out;
    AppendFieldLines(out, "  title = {The quick brown fox jumps over the lazy dog again and again},",
                     {true, 30, 4});
    EXPECT_EQ(out, "  title = {The quick brown fox\r\n      jumps over the lazy dog again\r\n      and again},\r\n");
    out.clear();
    AppendFieldLines(out, "  t = {12345 789}", {true, 17, 2});
    EXPECT_EQ(out, "  t = {12345 789}\r\n");
    out.clear();
    AppendFieldLines(out, "  t = {a b c d e f g h i j k l m n o}", {true, 20, 2});
    EXPECT_LE(out.find("\r\n"), 21u);
}

TEST(Writer, BrokenLinesReadBackToTheSameValue)
{
    struct Case {
        std::string line;
        int w, n;
    } cases[] = {
        {"  t = {aaaa bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb c d}", 20, 2},
        {"  t = {" + std::string(60, 'x') + "}", 20, 2},
        {"  t = {a b c d e f g h i j k l m n o}", 20, 2},
        {"  t = {" + std::string(25, 'y') + " z " + std::string(40, 'q') + " r}", 10, 4},
        {"  t = {one two three four five six seven}", 5, -3},
        {"  t = {one two three four five}", -4, 20},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendFieldLines(out, c.line, {true, c.w, c.n});
        Read r = ReadText("@a{r,\r\n" + out + "}");
        ASSERT_EQ(r.n, 1) << out;
        EXPECT_EQ(GetFieldValue(r.bib.Library[0], "t"),
                  GetFieldValue(ReadText("@a{r,\r\n" + c.line + "}").bib.Library[0], "t")) << out;
    }
}

TEST(Writer, LineBreaksInAValueReadBackAsOneBlank)
{
    // Typed into the item editor, a line break stays in the value; the file
    // holds it as a line end that reads as a blank, never as glued words.
    const std::pair<const char*, const char*> cases[] = {
        {"New\nYork", "New York"}, {"a\r\nb", "a b"}, {"a\rb", "a b"}, {"x\n", "x"},
        {"\n\nlead", "lead"}, {"two \n\n lines", "two lines"},
        // "@word(" at the start of a line read as a new entry and lost the
        // rest (a fuzzer find): neither a typed nor a made break goes there.
        {"mail\n @jc(2AL) x", "mail @jc(2AL) x"}, {"= \n\n@sen7(P", "= @sen7(P"},
        {"Preparation System; e-mail: @jc(2AL) and more @b{c} words", nullptr},
    };
    for (bool breaking : {false, true}) {
        for (const auto& [typed, read] : cases) {
            TBib bib;
            bib.Library.push_back(Bibitem{0, "article", "q", {{"title", typed, false}, {"year", "1", false}}, {}});
            const std::string text = FormatLibrary(bib, WriteOptions{breaking, 20, 4});
            for (size_t k = text.find_first_of("\r\n"); k != std::string::npos; k = text.find_first_of("\r\n", k + 2))
                ASSERT_EQ(text.compare(k, 2, "\r\n"), 0) << typed; // every line end is CR LF
            Read r = ReadText(text);
            EXPECT_TRUE(r.errors.empty()) << typed;
            EXPECT_EQ(Dump(r.bib), std::string("article{q|title:") + (read ? read : typed) + "|year:1}");
        }
    }
}

TEST(Writer, SortIsStableAndByteWise)
{
    Read r = ReadText("@b{r1, year={2}}@a{r2, year={1}}@B{r3, year={2}}@a{r4}");
    SortLibrary(r.bib, "year");
    EXPECT_EQ(Dump(r.bib), "a{r4}a{r2|year:1}b{r1|year:2}B{r3|year:2}");
    SortLibrary(r.bib, "type");
    EXPECT_EQ(r.bib.Library[0].ItemType, "B");
}

// Real files and generated ones (every line end, breaks inside values, nested
// braces) read completely, and write and read back to the same values.
TEST(Library, RoundTripOfCorpusAndGeneratedFiles)
{
    struct Case {
        std::string name, bytes;
        int entries;
    };
    std::vector<Case> cases;
    for (auto [file, entries] : {std::pair{"bib/xampl.bib", 36}, {"bib/biblatex-examples.bib", 92},
                                 {"bib/jurabib-jbtest-latin1.bib", 24}, {"bib/zbbt-import-1730-5-jabref-crlf.bib", 4},
                                 {"bib/zbbt-import-mendeley-longfields.bib", 512},
                                 {"bib/zbbt-export-bulk-zotero.bib", 1241}})
        cases.push_back({file, ReadWholeFile(lorix::test::CorpusFile(file)), entries});
    std::mt19937 rng(3);
    const char* words[] = {"alpha", "{DNA}", "b\\\"ar", "x", "", "  ", "long", "{a {b} c}", "q,r"};
    for (std::string eol : {"\r\n", "\n", "\r"}) {
        std::string text;
        for (int e = 0; e < 40; ++e) {
            text += "@Article{Ref" + std::to_string(e) + "," + eol;
            for (int f = 0, nf = int(rng() % 8); f < nf; ++f) {
                text += "  f" + std::to_string(f) + " = {";
                for (int w = 0, nw = int(rng() % 60); w < nw; ++w)
                    text += std::string(words[rng() % 9]) + (rng() % 7 == 0 ? " " + eol : " ");
                text += "}," + eol;
            }
            text += "}" + eol;
        }
        cases.push_back({"generated", text, 40});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Read r = ReadText(c.bytes);
        EXPECT_EQ(r.n, c.entries);
        size_t fields = 0; // every "name =" of the file became a field
        for (const auto& it : r.bib.Library)
            fields += it.Fields.size();
        EXPECT_GT(fields, size_t(c.entries));
        EXPECT_EQ(r.bib.Utf8, c.name.find("latin1") == std::string::npos);
        for (WriteOptions o : {WriteOptions{}, WriteOptions{true, 40, 3}, WriteOptions{true, 70, 2}}) {
            const std::string once = FormatLibrary(r.bib, o);
            Read again = ReadText(once);
            ASSERT_EQ(again.n, r.n);
            for (int e = 0; e < r.n; ++e) {
                const Bibitem &a = r.bib.Library[e], &b = again.bib.Library[e];
                EXPECT_EQ(LowerAscii(a.Reference), b.Reference);
                ASSERT_EQ(a.Fields.size(), b.Fields.size()) << a.Reference;
                for (size_t f = 0; f < a.Fields.size(); ++f)
                    EXPECT_EQ(a.Fields[f].Value, b.Fields[f].Value) << a.Reference;
            }
            EXPECT_EQ(FormatLibrary(again.bib, o), once);
        }
    }
}

namespace {
Session& Prepared(Session& s)
{
    EXPECT_TRUE(LoadSettingsFile(s, LORIX_SOURCE_DIR "/data/lorix.ini"));
    s.Settings.Write("pdfpath", "*none*");
    return s;
}
} // namespace

TEST(Library, LoadSaveWithBackupAndNotes)
{
    TempDir dir;
    Session s;
    Prepared(s).Settings.Write("backup", "yes");
    const std::string lib = dir.file("lib.bib");
    lorix::test::WriteFile(lib, "@a{R1, key = {b A}, t = {1}}\n");
    lorix::test::WriteFile(dir.file("lib.not"), "R1\r\nhello\r\n");
    s.Settings.Write("filename", lib);
    ASSERT_TRUE(LoadNamedLibrary(s));
    EXPECT_EQ(Join(s.NotesList), "R1|hello|");
    EXPECT_EQ(Join(s.KeywordList), "A|b|");
    s.LibraryChanged = true;
    SaveLibraryFile(s, lib);
    EXPECT_FALSE(s.LibraryChanged);
    EXPECT_EQ(lorix::test::ReadFile(lib + ".bak"), "@a{R1, key = {b A}, t = {1}}\n");
    EXPECT_EQ(lorix::test::ReadFile(dir.file("lib.not")), "R1\r\nhello\r\n");
    SaveLibraryFile(s, dir.file("new.bib")); // a first save makes no backup
    EXPECT_FALSE(lorix::test::Exists(dir.file("new.bib.bak")));
    // A bad width, a missing folder or "*none*" write nothing and keep the flag.
    s.Settings.Write("linebreak", "yes");
    s.Settings.Write("linewidth", "abc");
    s.LibraryChanged = true;
    const std::string before = lorix::test::ReadFile(lib);
    EXPECT_THROW(SaveLibraryFile(s, lib), ConversionError);
    EXPECT_EQ(lorix::test::ReadFile(lib), before);
    s.Settings.Write("linebreak", "no");
    EXPECT_THROW(SaveLibraryFile(s, dir.file("missing/x.bib")), FileError);
    EXPECT_THROW(SaveLibraryFile(s, "*none*"), FileError);
    EXPECT_TRUE(s.LibraryChanged);
    s.Settings.Write("filename", dir.file("absent.bib"));
    EXPECT_FALSE(LoadNamedLibrary(s));
    EXPECT_FALSE(lorix::test::Exists(dir.file("absent.bib")));
}

TEST(Library, SecondLoadCutsFieldNames)
{
    TempDir dir;
    Session s;
    Prepared(s).schema.FieldNames = {"author"};
    s.schema.LastSchemaField = 0;
    lorix::test::WriteFile(dir.file("a.bib"), "@a{x, onlyfirst = {1}}");
    lorix::test::WriteFile(dir.file("b.bib"), "@a{x, second = {1}}");
    LoadLibraryFile(s, dir.file("a.bib"));
    EXPECT_EQ(Join(s.schema.FieldNames), "author|onlyfirst|");
    LoadLibraryFile(s, dir.file("b.bib"));
    EXPECT_EQ(Join(s.schema.FieldNames), "author|second|");
}

TEST(Library, ChunkedFileReadEqualsWholeRead)
{
    // Entries cross the reader's chunk boundaries; line numbers of errors too.
    std::string text;
    for (int e = 0; e < 6000; ++e) {
        text += "% c" + std::to_string(e) + "\r\n@book{R" + std::to_string(e) + ",\r\n  abstract = {" +
                std::string(size_t(e % 97) * 7, 'a') + " end},\r\n  t = {" + std::to_string(e) + "}\r\n}\r\n";
        if (e == 5000)
            text += "@book{broken, t = {x {y\r\n";
    }
    Read whole = ReadText(text);
    TempDir dir;
    lorix::test::WriteFile(dir.file("big.bib"), text);
    Session s;
    Prepared(s);
    std::vector<std::string> errors;
    s.Log.Observer = [&](const std::string& t, MessageKind k) {
        if (k == MessageKind::Error)
            errors.push_back(t);
    };
    ASSERT_EQ(LoadLibraryFile(s, dir.file("big.bib")), whole.n);
    EXPECT_EQ(whole.n, 6001);
    EXPECT_EQ(Join(errors), Join(whole.errors));
    EXPECT_EQ(FormatLibrary(s.Bib, {}), FormatLibrary(whole.bib, {}));
}
