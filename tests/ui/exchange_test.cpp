// Import and export in the windows: the clipboard import, the PubMed fetch and
// the clipboard watch against a loopback server, the clipboard export with the
// Export tab, and the HTML export dialog.
#include "exchange/htmlexport.h"
#include "support/httpserver.h"
#include "ui/formprint.h"
#include "uitest.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

const QString kRecord = QStringLiteral("TI  - A study.\nFAU - Smith, John A\nAU  - Smith JA\nTA  - J Test\n"
                                       "DP  - 2003 Jan 15\nAB  - Line one\n      line two.\n");

std::string Field(const Bibitem& b, const char* name) { return GetFieldValue(b, name); }

} // namespace

class ExchangeTest : public QObject {
    Q_OBJECT
  private slots:
    void clipboardImportSelectsShowsAndSwitchesFilteringOff()
    {
        Harness h(Overrides{{"filtering", "yes"}, {"filter1", "year"}, {"filter1.op", "contains"},
                            {"filter1.from", "1999"}, {"maxlogsize", "100"}, {"log.status", "yes"}});
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("article", "smith:2003", {{"year", "1999"}})});
        m->Filter1->setChecked(true);
        m->Filter1Click();

        h.clipboard.content.clear();
        m->mnuImportfC->trigger();
        QCOMPARE(m->Status->text(), QStringLiteral("No text found in clipboard."));

        h.clipboard.content = QStringLiteral("    ") + kRecord; // indented copy, LF line ends
        m->mnuImportfC->trigger();
        QCOMPARE(h.s.Bib.Library.size(), size_t(2));
        const Bibitem& b = h.s.Bib.Library.back();
        QCOMPARE(b.Reference, std::string("smith:2003a"));
        QCOMPARE(Field(b, "month"), std::string("Jan 15"));
        QCOMPARE(GetNote(h.s.NotesList, "smith:2003a"), std::string("Line one line two."));
        QVERIFY(!m->Filter1->isChecked());
        QCOMPARE(m->SelectedItem(), 1);
        QVERIFY(h.Display()->isVisible());
        QVERIFY(m->Heading->text().endsWith(QStringLiteral(": 2 items.")));
        QVERIFY(h.s.LibraryChanged);
        // The refresh report follows the import's own message.
        const auto& log = h.s.Log.LogList;
        QVERIFY(log.size() >= 2);
        QVERIFY(log[log.size() - 2].find("Added item smith:2003a from Clipboard.") != std::string::npos);

        h.clipboard.content = QStringLiteral("TI  - Only a title\n");
        m->mnuImportfC->trigger();
        QCOMPARE(m->Status->text(), QStringLiteral("No author fields in clipboard. Not importing."));
        QCOMPARE(h.s.Bib.Library.size(), size_t(2));
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
        Harness h(Overrides{{"pubmed.url", server.url("/efetch?id={id}")}, {"sorting", "year"}});
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary({});

        // The menu command: a trimmed identifier, non-identifiers passed over.
        h.clipboard.content = QStringLiteral("1234a");
        m->fromPubMed1->trigger();
        QCOMPARE(server.requests(), 0);
        QVERIFY(h.dialogs.questions.isEmpty());
        h.clipboard.content = QStringLiteral(" 42 ");
        m->fromPubMed1->trigger();
        QCOMPARE(server.lastTarget(), std::string("/efetch?id=42"));
        QCOMPARE(h.s.Bib.Library.size(), size_t(1));
        QCOMPARE(h.s.Bib.Library[0].Fields.back().Name, std::string("pubmed_id"));
        QCOMPARE(h.s.Bib.Library[0].Fields.back().Value, std::string("42"));
        // No text: the input box; its text is sent without any test.
        h.clipboard.content.clear();
        h.dialogs.texts.push_back(QStringLiteral("a b"));
        m->fromPubMed1->trigger();
        QCOMPARE(h.dialogs.questions.last(), QStringLiteral("Enter PubMed ID"));
        QCOMPARE(server.lastTarget(), std::string("/efetch?id=a%20b"));
        QCOMPARE(m->Status->text(), QStringLiteral("Error importing: no item found."));

        // The watch: the sort mark is saved, the id present at the start is
        // not imported, the same id twice imports once.
        m->byYear->setChecked(true);
        h.clipboard.content = QStringLiteral("42");
        m->watchClip->trigger();
        QVERIFY(m->watchClip->isChecked());
        QVERIFY(m->Uhr->isActive());
        QVERIFY(!m->byYear->isChecked());
        QCOMPARE(m->SavedSortEntry, 1);
        m->UhrTimer();
        QCOMPARE(h.s.Bib.Library.size(), size_t(1));
        h.clipboard.content = QStringLiteral("43");
        m->UhrTimer();
        m->UhrTimer();
        QCOMPARE(h.s.Bib.Library.size(), size_t(2));
        QCOMPARE(h.s.Bib.Library[1].Reference, std::string("smith:2003a"));
        QVERIFY(m->Uhr->isActive());
        h.clipboard.content = QStringLiteral("some text");
        m->UhrTimer();
        h.clipboard.content = QStringLiteral("43");
        m->UhrTimer();
        QCOMPARE(h.s.Bib.Library.size(), size_t(3));
        QCOMPARE(h.s.Bib.Library[2].Reference, std::string("smith:2003b"));

        // A failed request: the error box, nothing imported, the watch halted.
        fail = 1;
        h.clipboard.content = QStringLiteral("44");
        m->UhrTimer();
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(h.dialogs.errors[0].contains(QStringLiteral("500")));
        QCOMPARE(h.s.Bib.Library.size(), size_t(3));
        QVERIFY(m->watchClip->isChecked());
        QVERIFY(!m->Uhr->isActive());
        QCOMPARE(m->LastClipText, QStringLiteral("43"));
        m->watchClip->trigger();
        QVERIFY(!m->Uhr->isActive());
        QVERIFY(m->byYear->isChecked());
    }

    void exportTabAndClipboardExport()
    {
        Harness h(Overrides{{"formats.article", "%02: %17 %(20."}, {"formats.misc", "%x1"},
                            {"formats.book", "%99"}});
        QVERIFY(h.Start());
        TFormOptions* o = h.Options();
        QCOMPARE(o->TypeSelect->currentText(), QStringLiteral("article"));
        QCOMPARE(o->TypeFormat->text(), QStringLiteral("%02: %17 %(20."));
        QCOMPARE(o->FormatText->toPlainText(), QStringLiteral("author: title (year)."));
        QVERIFY(o->FormatText->isReadOnly());
        QCOMPARE(o->FormatText->frameShape(), QFrame::NoFrame);
        QVERIFY(o->TypeFormat->toolTip().startsWith(QStringLiteral("01 address 02 author 03 booktitle")));

        o->TypeFormat->clear();
        QTest::keyClicks(o->TypeFormat, QStringLiteral("%2"));
        QCOMPARE(h.s.Settings.Read("formats.article"), std::string("%2"));
        QCOMPARE(o->FormatText->toPlainText(), QStringLiteral("author"));
        QTest::keyClicks(o->TypeFormat, QStringLiteral(" %x"));
        QCOMPARE(o->FormatText->toPlainText(), QStringLiteral("Syntax error in format string"));
        o->TypeFormat->selectAll();
        QTest::keyClick(o->TypeFormat, Qt::Key_Backspace);
        QVERIFY(!h.s.Settings.Has("formats.article"));
        // A code beyond the field list: the error box, the preview unchanged.
        QVERIFY(h.dialogs.errors.isEmpty());
        o->TypeSelect->setCurrentText(QStringLiteral("book"));
        QCOMPARE(h.dialogs.errors.size(), 1);
        QCOMPARE(o->TypeFormat->text(), QStringLiteral("%99"));

        TFormMain* m = h.Main();
        h.s.Settings.Write("formats.article", "%02: %17 %(20.");
        h.SetLibrary({MakeItem("article", "a", {{"author", "Smith, J."}, {"title", "50% off"}}),
                      MakeItem("misc", "b", {{"title", "T"}}), MakeItem("manual", "c", {})});
        h.s.Settings.Write("formats.manual", "");
        h.clipboard.content = QStringLiteral("before");
        m->Items->clearSelection();
        m->ExpToClip->trigger(); // no selection: nothing
        QCOMPARE(h.clipboard.content, QStringLiteral("before"));
        m->SelectLine(0);
        m->ExpToClip->trigger();
        QCOMPARE(h.clipboard.content, QStringLiteral("Smith, J.: 50% off ."));
        m->SelectLine(1);
        m->ExpToClip->trigger(); // syntax error: error box, clipboard unchanged
        QCOMPARE(h.clipboard.content, QStringLiteral("Smith, J.: 50% off ."));
        QCOMPARE(h.dialogs.errors.size(), 2);
        m->SelectLine(2);
        m->ExpToClip->trigger();
        QCOMPARE(h.clipboard.content, QString());
    }

    void htmlDialogRemembersChoicesAndEnterCancels()
    {
        Harness h(Overrides{{"expfields", ",booktitle,year,"}, {"expcolumns", "1"}, {"expline", "no"}});
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("book", "b", {{"title", "T & <b>"}, {"booktitle", "BT"}, {"year", "2001"}}),
                      MakeItem("article", "a", {{"Year", "1999"}, {"author", "A"}})});
        m->mnuHTML->trigger();
        TFormPrint* p = h.program->W().Print;
        QVERIFY(p->isVisible());
        QVERIFY(!m->isEnabled());
        QStringList names, ticked;
        for (QCheckBox* box : p->ExportFieldBoxes) {
            names << box->text();
            if (box->isChecked())
                ticked << box->text();
        }
        QCOMPARE(names.join(u','), QStringLiteral("author,booktitle,title,year"));
        QCOMPARE(ticked.join(u','), QStringLiteral("booktitle,year"));
        QCOMPARE(p->Columns->currentText(), QStringLiteral("2 Columns"));
        QVERIFY(!p->Separate->isChecked());

        // Enter cancels: nothing written.
        QTest::keyClick(p->ExpFNF, Qt::Key_Return);
        QVERIFY(!p->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(!Exists(h.dir.file("exp.html")));

        m->mnuHTML->trigger();
        p->ExportFieldBoxes[2]->setChecked(true); // title
        p->Separate->setChecked(true);
        p->Columns->setCurrentIndex(0);
        p->ExpFNF->setText(QStringLiteral("out.html"));
        p->Disp->click();
        QCOMPARE(p->windowTitle(), QStringLiteral("Launching Browser"));
        QVERIFY(!p->isVisible());
        QCOMPARE(h.shell.opened.size(), 1);
        QVERIFY(h.shell.opened[0].endsWith(QStringLiteral("/out.html")));
        const std::string html = ReadFile(h.dir.file("out.html"));
        QVERIFY(html.find("   Displaying 2 items.</h1>\r\n") != std::string::npos);
        QVERIFY(html.find("    <td>T &amp; &lt;b&gt;</td>\r\n") != std::string::npos);
        QCOMPARE(h.s.Settings.Read("expfields"), std::string(",booktitle,title,year,"));
        QCOMPARE(h.s.Settings.Read("expline"), std::string("yes"));
        QCOMPARE(h.s.Settings.Read("expcolumns"), std::string("0"));

        // Reopened: the same choices, an empty file name box; Print prints
        // exp.html of the program folder.
        m->mnuHTML->trigger();
        QVERIFY(p->ExpFNF->text().isEmpty());
        QVERIFY(p->Separate->isChecked());
        QCOMPARE(p->Columns->currentIndex(), 0);
        p->Exp->click();
        QCOMPARE(h.shell.printed.size(), 1);
        QVERIFY(Exists(h.dir.file("exp.html")));

        // A file that cannot be written: the error box, the dialog stays.
        m->mnuHTML->trigger();
        p->ExpFNF->setText(QStringLiteral("no/such/folder.html"));
        p->Disp->click();
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(p->isVisible());
        p->Cancel->click();
        QVERIFY(m->isEnabled());
    }
};

QTEST_MAIN(ExchangeTest)
#include "exchange_test.moc"
