// The main list: refresh, selection, Navigator, re-selection after sorting,
// the codec of shown text.
#include "core/errors.h"
#include "ui/codec.h"
#include "uitest.h"
#include "view/listview.h"

#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

QColor NavigatorColour(const TFormMain* m)
{
    return m->Navigator->palette().color(QPalette::Text);
}

std::vector<Bibitem> ThreeItems()
{
    return {MakeItem("article", "Jones2001", {{"title", "B"}}),
            MakeItem("book", "smith1999", {{"title", "A"}}), MakeItem("misc", "Smythe", {{"title", "C"}})};
}

} // namespace

class ListTest : public QObject {
    Q_OBJECT
  private slots:
    void refreshReportsAndHidesTheEditor()
    {
        Harness h;
        QVERIFY(h.Start());
        h.Display()->show();
        h.s.Bib.Library = ThreeItems();
        h.Main()->RefreshList(true);
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("Filtering off. Showing all 3 items."));
        QCOMPARE(h.Main()->ItemLines->rowCount(), 3);
        QCOMPARE(h.s.ShownItems.size(), size_t(3));
        QVERIFY(!h.Display()->isVisible());
        QCOMPARE(h.Main()->SelectedLine(), -1);
        // Without report no message.
        h.Main()->Status->setText(QStringLiteral("x"));
        h.Main()->RefreshList(false);
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("x"));
    }

    void nonNumericCharlimitAbandonsTheRefreshWithTheErrorBox()
    {
        Harness h(Overrides{{"truncate", "yes"}, {"charlimit", "wide"}});
        QVERIFY(h.Start());
        h.dialogs.errors.clear();
        h.s.Bib.Library = ThreeItems();
        try {
            ListColumnsFromSettings(h.s.Settings);
            QSKIP("the list view does not read the columns yet");
        } catch (const ConversionError&) {
        }
        QVERIFY(!h.Main()->Run([&] { h.Main()->RefreshList(true); }));
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(h.dialogs.errors[0].contains(QStringLiteral("wide")));
        QCOMPARE(h.Main()->ItemLines->rowCount(), 0);
    }

    void navigatorFindsTheFirstReferenceByItsStart()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary(ThreeItems());
        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        m->Navigator->setFocus();
        QTest::keyClicks(m->Navigator, QStringLiteral("SM"));
        QCOMPARE(m->SelectedLine(), 1);
        QCOMPARE(NavigatorColour(m), QColor(Qt::darkGreen));
        QVERIFY(h.Display()->isVisible());
        QVERIFY(m->Navigator->hasFocus());
        QTest::keyClicks(m->Navigator, QStringLiteral("y"));
        QCOMPARE(m->SelectedLine(), 2);
        // No reference starts with "smyq": red, selection unchanged.
        QTest::keyClicks(m->Navigator, QStringLiteral("q"));
        QCOMPARE(NavigatorColour(m), QColor(Qt::red));
        QCOMPARE(m->SelectedLine(), 2);
        // Clearing the text changes nothing.
        m->Navigator->clear();
        QCOMPARE(m->SelectedLine(), 2);
        QCOMPARE(NavigatorColour(m), QColor(Qt::red));
    }

    void navigatorDoubleClickSelectsTheFirstLine()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary(ThreeItems());
        m->show();
        QTest::mouseDClick(m->Navigator, Qt::LeftButton);
        QCOMPARE(m->SelectedLine(), 0);
        QVERIFY(h.Display()->isVisible());
    }

    void selectionSurvivesASortChoice()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary(ThreeItems());
        m->show();
        m->SelectLine(2);
        m->byTitle->trigger();
        QCOMPARE(m->SelectedItem(), 2);
        QVERIFY(h.Display()->isVisible());
        // Without a selection nothing is selected afterwards.
        m->RefreshList(false);
        m->byTitle->trigger();
        QCOMPARE(m->SelectedLine(), -1);
        QVERIFY(!h.Display()->isVisible());
    }

    void clickingALineShowsTheItem()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary(ThreeItems());
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        const QRect r = m->Items->visualRect(m->ItemLines->index(1));
        QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(m->SelectedLine(), 1);
        QVERIFY(h.Display()->isVisible());
        // A click on the selected line shows it again (the editor was hidden meanwhile).
        h.Display()->hide();
        QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {}, r.center());
        QVERIFY(h.Display()->isVisible());
    }

    void focusAloneSelectsNothing()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary(ThreeItems());
        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        m->Navigator->setFocus();
        m->Items->setFocus(Qt::TabFocusReason);
        QCOMPARE(m->SelectedLine(), -1);
        QVERIFY(!h.Display()->isVisible());
    }

    void editedLineIsRewrittenInPlace()
    {
        Harness h(Overrides{{"truncate", "no"},
                            {"disp1", "reference"},
                            {"disp2", "none"},
                            {"disp3", "none"},
                            {"disp4", "none"}});
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary(ThreeItems());
        m->SelectLine(1);
        h.s.Bib.Library[1].Reference = "zz";
        m->UpdateSelectedLine();
        QCOMPARE(h.Lines().at(1), QStringLiteral(" zz"));
        QCOMPARE(h.s.ShownItems[1], 1);
    }

    void filterFieldChoicesFollowEveryLoad()
    {
        Harness h;
        QVERIFY(h.Start());
        QComboBox* f1 = h.Options()->FilterField[0];
        QCOMPARE(f1->count(), 3); // "line off", "type", "reference" before a load
        QCOMPARE(h.Options()->FilterField[1]->count(), 0);
        h.s.schema.FieldNames.push_back("extra");
        h.Main()->AfterLoad();
        for (QComboBox* c : h.Options()->FilterField) {
            QCOMPARE(c->count(), static_cast<int>(h.s.schema.FieldNames.size()) + 2);
            QCOMPARE(c->itemText(0), QStringLiteral("line off"));
            QCOMPARE(c->itemText(c->count() - 2), QStringLiteral("extra"));
            QCOMPARE(c->itemText(c->count() - 1), QStringLiteral("notes"));
        }
        QCOMPARE(f1->currentText(), QStringLiteral("line off"));
    }

    void latin1LibraryShowsAccentsAndRoundTrips()
    {
        const std::string bytes = "M\xFCller \x80 \x93quoted\x94 \x81";
        const QString shown = DecodeText(bytes, false);
        QCOMPARE(shown,
                 QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\x81"));
        QCOMPARE(EncodeText(shown, false), bytes);
        QCOMPARE(EncodeText(QString::fromUtf8("\xE2\x80\x94"), false), std::string("\x97"));
        QCOMPARE(EncodeText(QString::fromUtf8("\xE4\xB8\xAD"), false), std::string("?"));
        const std::string utf8 = "M\xC3\xBCller";
        QCOMPARE(EncodeText(DecodeText(utf8, true), true), utf8);

        Harness h;
        QVERIFY(h.Start());
        h.s.Bib.Clear();
        h.s.Bib.Utf8 = false;
        h.s.Bib.Library = {MakeItem("book", "M\xFCller", {})};
        h.Main()->RefreshList(false);
        QVERIFY(h.Lines().at(0).contains(QString::fromUtf8("M\xC3\xBCller")));
        h.Main()->Navigator->setText(QString::fromUtf8("m\xC3\xBC"));
        QCOMPARE(h.Main()->SelectedLine(), 0);
    }
};

QTEST_MAIN(ListTest)
#include "list_test.moc"
