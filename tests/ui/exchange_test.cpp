// Import and export in the windows: the clipboard import, the PubMed fetch and
// the clipboard watch against a loopback server, the clipboard export with the
// Export tab, and the HTML export dialog.
#include "exchange/htmlexport.h"
#include "support/httpserver.h"
#include "ui/formprint.h"
#include "uitest.h"

#include <QPlainTextEdit>
#include <QtTest>
#include <tuple>

using namespace lorix;
using namespace lorix::test;
using namespace Qt::StringLiterals;
using namespace std::string_literals;

namespace {

// A harness whose start must succeed.
struct Started : Harness {
    explicit Started(const Overrides& changes = {}) : Harness(changes)
    {
        if (!Start())
            throw std::runtime_error("start failed");
    }
};

const QString kRecord =
    QString::fromLatin1("TI  - A study.\nFAU - Smith, John A\nAU  - Smith JA\nTA  - J Test\n"
                        "DP  - 2003 Jan 15\nAB  - Line one\n      line two.\n");

} // namespace

class ExchangeTest : public QObject {
    Q_OBJECT
  private slots:
    void clipboardImportSelectsShowsAndSwitchesFilteringOff()
    {
        Started h(Overrides{{"filtering", "yes"}, {"filter1.field", "year"}, {"filter1.value", "1999"}});
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("article", "smith:2003", {{"year", "1999"}})});
        h.clipboard.content.clear();
        m->mnuImportfC->trigger();
        QCOMPARE(m->Status->text(), u"No text found in clipboard."_s);
        h.clipboard.content = u"    "_s + kRecord; // indented copy, LF line ends
        m->mnuImportfC->trigger();
        QVERIFY(h.s.Bib.Library.size() == 2 && m->SelectedItem() == 1 && h.Display()->isVisible());
        QVERIFY(!m->Filter1->isChecked() && h.s.LibraryChanged &&
                m->Heading->text().endsWith(u": 2 items."_s));
        // The refresh report follows the import's own message.
        const auto& log = h.s.Log.LogList;
        QVERIFY(log.size() >= 2 &&
                log.end()[-2].find("Added item smith:2003a from Clipboard.") != std::string::npos);
    }

    void fetchAndWatch()
    {
        std::atomic<int> fail{0};
        LoopbackServer server([&](const std::string& target) {
            if (fail)
                return HttpAnswer{500, "down"};
            if (target.find("id=42") != std::string::npos || target.find("id=43") != std::string::npos)
                return HttpAnswer{200, kRecord.toStdString()};
            return HttpAnswer{200, "nothing\n"};
        });
        Started h(Overrides{{"pubmed.url", server.url("/efetch?id={id}")}, {"sorting", "year"}});
        TFormMain* m = h.Main();
        const auto& lib = h.s.Bib.Library;
        h.SetLibrary({});
        // The menu command: a trimmed identifier, non-identifiers passed over; no
        // text: the input box, whose text is sent without any test.
        h.dialogs.texts.push_back(u"a b"_s);
        const std::tuple<const char*, int, const char*> fetches[] = {
            {"1234a", 0, ""}, {" 42 ", 1, "/efetch?id=42"}, {"", 2, "/efetch?id=a%20b"}};
        for (const auto& [clip, requests, target] : fetches) {
            h.clipboard.content = QString::fromLatin1(clip);
            m->fromPubMed1->trigger();
            QVERIFY(server.requests() == requests && (!requests || server.lastTarget() == target));
        }
        QCOMPARE(h.dialogs.questions, QStringList{u"Enter PubMed ID"_s});
        QCOMPARE(m->Status->text(), u"Error importing: no item found."_s);
        QVERIFY(lib.size() == 1 && lib[0].Fields.back().Name == "pubmed_id" &&
                lib[0].Fields.back().Value == "42");

        // The watch: the sort mark is saved, the id present at the start is
        // not imported, the same id twice imports once, again after other text.
        m->byYear->setChecked(true);
        h.clipboard.content = u"42"_s;
        m->watchClip->trigger();
        QVERIFY(m->watchClip->isChecked() && m->Uhr->isActive() && !m->byYear->isChecked() &&
                m->SavedSortEntry == 1);
        const std::pair<const char*, size_t> ticks[] = {
            {"42", 1}, {"43", 2}, {"43", 2}, {"some text", 2}, {"43", 3}};
        for (const auto& [clip, count] : ticks) {
            h.clipboard.content = QString::fromLatin1(clip);
            m->UhrTimer();
            QCOMPARE(lib.size(), count);
        }
        QVERIFY(lib[1].Reference == "smith:2003a" && lib[2].Reference == "smith:2003b" && m->Uhr->isActive());
        // A failed request: the error box, nothing imported, the watch halted.
        fail = 1;
        h.clipboard.content = u"44"_s;
        m->UhrTimer();
        QVERIFY(h.dialogs.errors.size() == 1 && h.dialogs.errors[0].contains(u"500"_s) && lib.size() == 3);
        QVERIFY(m->watchClip->isChecked() && !m->Uhr->isActive() && m->LastClipText == u"43"_s);
        m->watchClip->trigger();
        QVERIFY(!m->Uhr->isActive() && m->byYear->isChecked());
    }

    void exportTabAndClipboardExport()
    {
        Started h(Overrides{
            {"formats.article", "%02: %17 %(20."}, {"formats.misc", "%x1"}, {"formats.book", "%99"}});
        TFormOptions* o = h.Options();
        QCOMPARE(o->TypeSelect->currentText() + u' ' + o->TypeFormat->text() + u" = "_s +
                     o->FormatText->toPlainText(),
                 u"article %02: %17 %(20. = author: title (year)."_s);
        QVERIFY(o->TypeFormat->toolTip().startsWith(u"01 address 02 author 03 booktitle"_s));
        // Every keystroke is stored and previewed; an empty format removes the key.
        o->TypeFormat->clear();
        QTest::keyClicks(o->TypeFormat, u"%2"_s);
        QVERIFY(h.s.Settings.Read("formats.article") == "%2" && o->FormatText->toPlainText() == u"author"_s);
        QTest::keyClicks(o->TypeFormat, u" %x"_s);
        QCOMPARE(o->FormatText->toPlainText(), u"Syntax error in format string"_s);
        o->TypeFormat->selectAll();
        QTest::keyClick(o->TypeFormat, Qt::Key_Backspace);
        QVERIFY(!h.s.Settings.Has("formats.article"));
        // A code beyond the field list: the error box, the preview unchanged.
        QVERIFY(h.dialogs.errors.isEmpty());
        o->TypeSelect->setCurrentText(u"book"_s);
        QVERIFY(h.dialogs.errors.size() == 1 && o->TypeFormat->text() == u"%99"_s);

        TFormMain* m = h.Main();
        h.s.Settings.Write("formats.article", "%02: %17 %(20.");
        h.s.Settings.Write("formats.manual", "");
        h.SetLibrary({MakeItem("article", "a", {{"author", "Smith, J."}, {"title", "50% off"}}),
                      MakeItem("misc", "b", {{"title", "T"}}), MakeItem("manual", "c", {})});
        h.clipboard.content = u"before"_s;
        m->Items->clearSelection();
        // No selection: nothing; a syntax error: the error box, the clipboard unchanged.
        const std::tuple<int, const char*, int> steps[] = {
            {-1, "before", 1}, {0, "Smith, J.: 50% off .", 1}, {1, "Smith, J.: 50% off .", 2}, {2, "", 2}};
        for (const auto& [line, clip, errors] : steps) {
            if (line >= 0)
                m->SelectLine(line);
            m->ExpToClip->trigger();
            QCOMPARE(h.clipboard.content, QString::fromLatin1(clip));
            QCOMPARE(h.dialogs.errors.size(), errors);
        }
    }

    void htmlDialogRemembersChoicesAndEnterCancels()
    {
        Started h(Overrides{{"expfields", ",booktitle,year,"}, {"expcolumns", "1"}, {"expline", "no"}});
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("book", "b", {{"title", "T"}, {"booktitle", "BT"}, {"year", "2001"}}),
                      MakeItem("article", "a", {{"Year", "1999"}, {"author", "A"}})});
        m->mnuHTML->trigger();
        TFormPrint* p = h.program->W().Print;
        QVERIFY(p->isVisible() && !m->isEnabled());
        QStringList boxes;
        for (QCheckBox* box : p->ExportFieldBoxes)
            boxes << box->text() + (box->isChecked() ? u"+"_s : QString());
        QCOMPARE(boxes.join(u','), u"author,booktitle+,title,year+"_s);
        QVERIFY(p->Columns->currentText() == u"2 Columns"_s && !p->Separate->isChecked());
        QTest::keyClick(p->ExpFNF, Qt::Key_Return); // Enter cancels: nothing written
        QVERIFY(!p->isVisible() && m->isEnabled() && !Exists(h.dir.file("exp.html")));

        m->mnuHTML->trigger();
        p->ExportFieldBoxes[2]->setChecked(true); // title
        p->Separate->setChecked(true);
        p->Columns->setCurrentIndex(0);
        p->ExpFNF->setText(u"out.html"_s);
        p->Disp->click();
        QCOMPARE(p->windowTitle(), u"Launching Browser"_s);
        QVERIFY(!p->isVisible() && h.shell.opened.size() == 1 && h.shell.opened[0].endsWith(u"/out.html"_s));
        QVERIFY(ReadFile(h.dir.file("out.html")).find("   Displaying 2 items.</h1>\r\n") !=
                std::string::npos);
        QCOMPARE(h.s.Settings.Read("expfields") + " " + h.s.Settings.Read("expline") + " " +
                     h.s.Settings.Read("expcolumns"),
                 ",booktitle,title,year, yes 0"s);
        // Reopened: the same choices, an empty file name box; Print prints
        // exp.html of the program folder.
        m->mnuHTML->trigger();
        QVERIFY(p->ExpFNF->text().isEmpty() && p->Separate->isChecked() && p->Columns->currentIndex() == 0);
        p->Exp->click();
        QVERIFY(h.shell.printed.size() == 1 && Exists(h.dir.file("exp.html")));
        // A file that cannot be written: the error box, the dialog stays.
        m->mnuHTML->trigger();
        p->ExpFNF->setText(u"no/such/folder.html"_s);
        p->Disp->click();
        QVERIFY(h.dialogs.errors.size() == 1 && p->isVisible());
        p->Cancel->click();
        QVERIFY(m->isEnabled());
    }
};

QTEST_MAIN(ExchangeTest)
#include "exchange_test.moc"
