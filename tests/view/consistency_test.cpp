#include "editing_fixture.h"
#include "support/testutil.h"
#include "view/consistency.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace lorix;
using test::Item;

namespace {

class Consistency : public ::testing::Test {
  protected:
    void SetUp() override
    {
        test::SetUpEditingSession(s);
        s.schema.ChoiceTable.clear();
    }
    std::string Docs(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            test::WriteFile(dir.file(n), "x");
        return dir.path() + "/";
    }
    Session s;
    test::TempDir dir;
};

bool Contains(const std::vector<std::string>& v, const std::string& m)
{
    return std::find(v.begin(), v.end(), m) != v.end();
}

} // namespace

TEST_F(Consistency, EmptyLibraryAndEmptyFolderPass)
{
    EXPECT_TRUE(CheckConsistency(s, Docs({})));
    EXPECT_EQ(test::Messages(s), (std::vector<std::string>{"Starting consistency check.",
                                                           "Consistency check successful. No errors found"}));
}

TEST_F(Consistency, DoubleReferencesIgnoreCaseAndComeInLibraryOrder)
{
    s.Bib.Library = {Item("misc", "Smith:2001", {{"title", "One"}}), Item("misc", "other", {}),
                     Item("book", "smith:2001", {{"title", "Two"}, {"editor", "E"}})};
    EXPECT_FALSE(CheckConsistency(s, Docs({})));
    EXPECT_EQ(test::Messages(s),
              (std::vector<std::string>{"Starting consistency check.",
                                        "Multiply definined reference Smith:2001 in misc One",
                                        "Multiply definined reference smith:2001 in book Two",
                                        "Consistency check found errors. Refer to error log."}));
}

TEST_F(Consistency, SchemaErrorsReachTheLogWithLoggingOffAndTheSettingComesBack)
{
    s.Settings.Write("log.error", "no");
    s.Bib.Library = {Item("article", "a1", {{"title", "T"}})};
    EXPECT_FALSE(CheckConsistency(s, Docs({})));
    EXPECT_TRUE(Contains(test::Messages(s), "No value for required field \"author\" in article a1"));
    EXPECT_EQ(s.Settings.Read("log.error"), "no");
    EXPECT_FALSE(s.LibraryChanged);
}

TEST_F(Consistency, DocumentFilesMatchByFirstDotAndFirstColon)
{
    std::filesystem::create_directory(dir.file("misc"));
    const std::string pdf = Docs({"smith2001.pdf", "smith2001.ps", "smith2001.old.pdf", "SMITH2001.doc",
                                  "old.misc.pdf", "xy:z.pdf", ".hidden"});
    s.Bib.Library = {Item("misc", "smith:2001", {}), Item("misc", "x:y:z", {})};
    EXPECT_FALSE(CheckConsistency(s, pdf));
    std::vector<std::string> files;
    for (const std::string& m : test::Messages(s))
        if (m.rfind("File not in database: ", 0) == 0)
            files.push_back(m.substr(22));
    std::sort(files.begin(), files.end()); // the folder's own order is not fixed
    // "misc" (a folder, no dot) and ".hidden" have an empty base; x:y:z owns
    // xy:z.pdf, as only its first colon is removed.
    EXPECT_EQ(files, (std::vector<std::string>{"", "", "old"}));
    EXPECT_EQ(s.Bib.Library[0].HasDocument, 1);
    EXPECT_EQ(s.Bib.Library[1].HasDocument, 1); // xy:z.pdf is its document all the same
    EXPECT_EQ(test::Messages(s).back(), "Consistency check found errors. Refer to error log.");
}

TEST_F(Consistency, FolderThatCannotBeListedGivesNoFileMessages)
{
    s.Bib.Library = {Item("misc", "r", {})};
    s.Bib.Library[0].HasDocument = 1;
    EXPECT_TRUE(CheckConsistency(s, dir.path() + "/missing/"));
    EXPECT_EQ(s.Bib.Library[0].HasDocument, 0);
}

TEST(DocumentFolder, BaseKeyAndPrefixListing)
{
    EXPECT_EQ(DocumentBase("a.b.c"), "a");
    EXPECT_EQ(DocumentBase("misc"), "");
    EXPECT_EQ(DocumentKey("Smith:2001:X"), "smith2001:x");
    test::TempDir d;
    test::WriteFile(d.file("prea.pdf"), "x");
    test::WriteFile(d.file("other.pdf"), "x");
    EXPECT_EQ(ListDocumentFolder(d.path() + "/pre"), (std::vector<std::string>{"prea.pdf"}));
    EXPECT_EQ(ListDocumentFolder(d.path() + "/").size(), 2u);
}
