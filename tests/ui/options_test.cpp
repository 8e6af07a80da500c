// The options dialog: every key written on a change, the enabled rules,
// Dismiss with re-selection, the windows behind it disabled.
#include "uitest.h"

#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

// Every key the dialog writes, with the value it must hold afterwards.
const char* const kDialogKeys[] = {"filtering",
                                   "filter1.op",
                                   "filter2.op",
                                   "filter3.op",
                                   "filter1.field",
                                   "filter2.field",
                                   "filter3.field",
                                   "filtermode",
                                   "log.status",
                                   "disp.status",
                                   "log.error",
                                   "disp.error",
                                   "writelog",
                                   "savesize",
                                   "savesorted",
                                   "maxlogsize",
                                   "backup",
                                   "linebreak",
                                   "autosave",
                                   "switchfilteringoff",
                                   "switchsortingoff",
                                   "linewidth",
                                   "insertwidth",
                                   "displaynotes",
                                   "datapath",
                                   "pdfpath",
                                   "logfile",
                                   "disp1",
                                   "disp2",
                                   "disp3",
                                   "disp4",
                                   "truncate",
                                   "charlimit"};

} // namespace

class OptionsTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsStartFromTheSettings()
    {
        Harness h(Overrides{{"filtering", "yes"},
                            {"filtermode", "or"},
                            {"filter2.field", "key"},
                            {"filter2.value", "dna"},
                            {"datapath", "*none*"},
                            {"displaynotes", "0"}});
        QVERIFY(h.Start());
        TFormOptions* o = h.Options();
        QCOMPARE(o->windowTitle(), QStringLiteral("Lorix Options"));
        QVERIFY(o->Filtering->isChecked());
        QVERIFY(h.Main()->Filter1->isChecked());
        QVERIFY(o->AndOrOrAny->isChecked());
        QCOMPARE(o->FilterField[1]->currentText(), QStringLiteral("key"));
        QCOMPARE(o->FilterBound[1]->text(), QStringLiteral("dna"));
        QCOMPARE(o->FilterBound[1]->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(o->FilterBound[0]->contextMenuPolicy(), Qt::DefaultContextMenu);
        QVERIFY(!o->FilterBound[0]->isEnabled()); // "line off"
        QVERIFY(!o->FilterOp[0]->isEnabled());
        QVERIFY(!o->FilterNot[0]->isEnabled());
        QVERIFY(o->FilterBound[1]->isEnabled());
        QCOMPARE(o->DataPath->text(), QString());
        QCOMPARE(o->PDFPath->text(), QStringLiteral("pdf/"));
        QCOMPARE(o->DispNotes->currentIndex(), 0);
        QCOMPARE(o->MaxLogSize->text(), QStringLiteral("500"));
        QVERIFY(o->Truncate->isChecked());
        QCOMPARE(o->CharLimit->text(), QStringLiteral("22"));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(o->ColumnSelector[i]->geometry(), QRect(5 + 80 * i, 40, 70, 22));
        QCOMPARE(o->ColumnSelector[3]->currentText(), QStringLiteral("title"));
        QCOMPARE(o->Options->count(), 6);
        QCOMPARE(o->Options->tabText(3), QStringLiteral("E&xiting"));
        QVERIFY(o->Dismiss->isDefault());
        QCOMPARE(o->Dismiss->toolTip(), QStringLiteral("Press to close options window"));
        QCOMPARE(o->minimumSize(), o->maximumSize());
        QVERIFY(!(o->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(o->windowFlags() & Qt::WindowMinMaxButtonsHint));
        // A creation without changes writes nothing.
        QCOMPARE(h.s.Settings.Read("datapath"), std::string("*none*"));
    }

    void oneChangeWritesEveryKey()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormOptions* o = h.Options();
        // Remove every key behind the dialog's back; one change brings all back.
        for (const char* key : kDialogKeys)
            h.s.Settings.Write(key, "");
        o->Backup->setChecked(!o->Backup->isChecked());
        for (const char* key : kDialogKeys)
            if (std::string(key) != "filter1.value")
                QVERIFY2(h.s.Settings.Has(key), key);
        QCOMPARE(h.s.Settings.Read("backup"), std::string("no"));
        QCOMPARE(h.s.Settings.Read("filtermode"), std::string("and"));
        QCOMPARE(h.s.Settings.Read("disp1"), std::string("reference"));
        QCOMPARE(h.s.Settings.Read("displaynotes"), std::string("2"));
    }

    void eachControlWritesItsKey()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormOptions* o = h.Options();
        auto& st = h.s.Settings;
        o->FilterBound[0]->setText(QStringLiteral("x"));
        QCOMPARE(st.Read("filter1.value"), std::string("x")); // every keystroke
        o->FilterBound[0]->setText(QString());
        QVERIFY(!st.Has("filter1.value"));
        o->DataPath->setText(QString());
        QCOMPARE(st.Read("datapath"), std::string("*none*"));
        o->Logfile->setText(QStringLiteral("run.log"));
        QCOMPARE(st.Read("logfile"), std::string("run.log"));
        o->MaxLogSize->setText(QStringLiteral("many"));
        QCOMPARE(st.Read("maxlogsize"), std::string("many")); // stored as typed
        o->DispNotes->setCurrentIndex(1);
        QCOMPARE(st.Read("displaynotes"), std::string("1"));
        o->ColumnSelector[2]->setEditText(QStringLiteral("journal"));
        QCOMPARE(st.Read("disp3"), std::string("journal"));
        o->AndOrOrAny->setChecked(true);
        QCOMPARE(st.Read("filtermode"), std::string("or"));
        o->FilterOp[2]->setEditText(QStringLiteral("is"));
        QCOMPARE(st.Read("filter3.op"), std::string("is"));
        o->Filtering->setChecked(true);
        QCOMPARE(st.Read("filtering"), std::string("yes"));
        QVERIFY(h.Main()->Filter1->isChecked());
    }

    void enabledRules()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormOptions* o = h.Options();
        h.Main()->AfterLoad(); // the field choices of a load
        o->FilterField[1]->setCurrentText(QStringLiteral("title"));
        QVERIFY(o->FilterBound[1]->isEnabled() && o->FilterOp[1]->isEnabled() &&
                o->FilterNot[1]->isEnabled());
        o->FilterField[1]->setCurrentText(QStringLiteral("line off"));
        QVERIFY(!o->FilterBound[1]->isEnabled() && !o->FilterOp[1]->isEnabled() &&
                !o->FilterNot[1]->isEnabled());
        o->FilterField[1]->setCurrentText(QStringLiteral("key"));
        QCOMPARE(o->FilterBound[1]->contextMenuPolicy(), Qt::CustomContextMenu);
        o->Truncate->setChecked(false);
        QVERIFY(!o->CharLimit->isEnabled());
        QCOMPARE(h.s.Settings.Read("truncate"), std::string("no"));
        o->LineBreak->setChecked(false);
        QVERIFY(!o->LineWidth->isEnabled() && !o->InsertWidth->isEnabled());
        o->WriteToFile->setChecked(false);
        QVERIFY(!o->Logfile->isEnabled());
        o->WriteToFile->setChecked(true);
        QVERIFY(o->Logfile->isEnabled());
    }

    void invertTwiceRestoresTheRules()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormOptions* o = h.Options();
        o->InvertClick();
        QVERIFY(o->AndOrOrAny->isChecked());
        QCOMPARE(h.s.Settings.Read("filtermode"), std::string("or"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(o->NotChecked(i)); // lines that are off too
        o->InvertClick();
        QVERIFY(o->AndOrOrAll->isChecked());
        for (int i = 0; i < 3; ++i)
            QVERIFY(!o->NotChecked(i));
    }

    void openDisablesTheWindowsBehindAndDismissReselects()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        // Items without required fields: re-showing one logs no schema error
        // over the list's count message.
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {}), MakeItem("misc", "c", {})});
        m->show();
        m->SelectLine(1);
        m->mnuOptions->trigger();
        QVERIFY(h.Options()->isVisible());
        QVERIFY(!m->isEnabled());
        QVERIFY(!h.Display()->isEnabled());
        // Clicks on the main list do nothing while the dialog is up.
        QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {},
                          m->Items->visualRect(m->ItemLines->index(2)).center());
        QCOMPARE(m->SelectedLine(), 1);
        QTest::mouseClick(h.Options()->Dismiss, Qt::LeftButton);
        QVERIFY(!h.Options()->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(h.Display()->isEnabled());
        QCOMPARE(m->SelectedItem(), 1);
        QVERIFY(h.Display()->isVisible());
        QCOMPARE(m->Status->text(), QStringLiteral("Filtering off. Showing all 3 items."));
    }

    void enterInABoxPressesDismiss()
    {
        Harness h;
        QVERIFY(h.Start());
        h.Options()->mnuOptionsClick();
        QTest::keyClick(h.Options()->FilterBound[0], Qt::Key_Return);
        QVERIFY(!h.Options()->isVisible());
        QVERIFY(h.Main()->isEnabled());
    }

    void dismissWithTheItemGoneLeavesNoSelection()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("book", "a", {})});
        m->SelectLine(0);
        h.s.Bib.Library.clear(); // the selected item no longer shown
        h.Options()->mnuOptionsClick();
        h.Options()->DismissClick();
        QCOMPARE(m->SelectedLine(), -1);
        QVERIFY(!h.Display()->isVisible());
    }

    void failingRefreshStillClosesTheDialog()
    {
        Harness h;
        QVERIFY(h.Start());
        h.Options()->mnuOptionsClick();
        h.Options()->Truncate->setChecked(true);
        h.Options()->CharLimit->setText(QStringLiteral("wide"));
        QTest::mouseClick(h.Options()->Dismiss, Qt::LeftButton);
        QVERIFY(!h.Options()->isVisible());
        QVERIFY(h.Main()->isEnabled());
    }
};

QTEST_MAIN(OptionsTest)
#include "options_test.moc"
