// The item editor, the notes window, the custom field dialog and the editing
// commands of the main window, driven headless.
#include "ui/formcustom.h"
#include "ui/formnotes.h"
#include "uitest.h"
#include "view/listview.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

QColor LabelColour(const QLabel* l)
{
    return l->palette().color(QPalette::WindowText);
}
QColor EditorColour(const QPlainTextEdit* e)
{
    return e->palette().color(QPalette::Text);
}

std::vector<std::string> Messages(const Session& s)
{
    std::vector<std::string> out;
    for (const std::string& line : s.Log.LogList)
        out.push_back(line.substr(18));
    return out;
}

// A book with both sides of the author/editor pair and no publisher.
Bibitem ConflictBook()
{
    return MakeItem("book", "knuth:1984",
                    {{"author", "Knuth, D. E."},
                     {"editor", "Someone"},
                     {"title", "The TeXbook"},
                     {"year", "1984"},
                     {"doi", "10.1000/1"}});
}

void Select(Harness& h, int line)
{
    h.Main()->SelectLine(line);
    h.Main()->ItemsClick(h.Main()->Items);
}

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
  private slots:
    void rowStylesAndMessages()
    {
        Harness h;
        QVERIFY(h.Start());
        h.SetLibrary({ConflictBook()});
        h.s.Log.LogList.clear();
        Select(h, 0);
        TFormDisplay* d = h.Display();
        QCOMPARE(d->windowTitle(), QStringLiteral("Lorix Item Display"));
        QCOMPARE(d->Itemtype->currentText(), QStringLiteral("book"));
        QCOMPARE(d->FieldLabels[0]->text(), QStringLiteral("reference"));
        QVERIFY(d->FieldLabels[0]->font().bold());
        QCOMPARE(LabelColour(d->FieldLabels[0]), QColor(255, 0, 0));
        QVERIFY(d->FieldLabels[0]->toolTip().isEmpty());
        // author and editor: both required, both filled: two conflicts.
        for (int r : {1, 2}) {
            QCOMPARE(EditorColour(d->FieldEditors[r]), QColor(255, 0, 0));
            QCOMPARE(d->FieldLabels[r]->toolTip(),
                     QStringLiteral("Maybe you should delete the value in this field."));
        }
        QCOMPARE(d->FieldLabels[4]->text(), QStringLiteral("publisher"));
        QCOMPARE(d->FieldLabels[6]->toolTip(), QStringLiteral("Optional field."));
        QVERIFY(!d->FieldLabels[6]->font().bold());
        // doi is no book field: a custom row in blue after the 15 schema rows.
        QCOMPARE(d->FieldLabels[16]->text(), QStringLiteral("doi"));
        QCOMPARE(LabelColour(d->FieldLabels[16]), QColor(0, 0, 255));
        QCOMPARE(d->FieldLabels[16]->toolTip(), QStringLiteral("Custom field."));
        QVERIFY(!d->FieldLabels[17]->isHidden());
        QVERIFY(d->FieldLabels[17]->text().isEmpty());
        QVERIFY(d->FieldEditors[17]->isHidden());
        QVERIFY(d->FieldLabels[18]->isHidden());
        // "key" gets the keyword menu, nothing else does.
        QCOMPARE(d->FieldLabels[13]->text(), QStringLiteral("key"));
        QCOMPARE(d->FieldEditors[13]->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(d->FieldEditors[12]->contextMenuPolicy(), Qt::NoContextMenu);
        const std::vector<std::string> want = {
            "Field conflict involving field \"author\" in book knuth:1984",
            "Field conflict involving field \"editor\" in book knuth:1984",
            "No value for required field \"publisher\" in book knuth:1984"};
        QVERIFY(Messages(h.s) == want);
        // Every showing reports again.
        d->ShowItem(0);
        QCOMPARE(h.s.Log.LogList.size(), size_t(6));
        // Background white without a document, silver with one.
        QCOMPARE(d->palette().color(QPalette::Window), QColor(255, 255, 255));
        QVERIFY(!d->Datei->isEnabled());
    }

    void documentMakesSilverAndMarksTheLine()
    {
        Harness h(Overrides{{"pdfpath", "docs/"}});
        QDir().mkdir(QStringLiteral("docs"));
        WriteFile(h.dir.file("docs/knuth1984.pdf"), "%PDF");
        QVERIFY(h.Start());
        h.SetLibrary({ConflictBook()});
        Select(h, 0);
        QCOMPARE(h.Display()->palette().color(QPalette::Window), QColor(192, 192, 192));
        QVERIFY(h.Display()->Datei->isEnabled());
        QCOMPARE(h.Display()->Datei->toolTip(), QStringLiteral("knuth1984.pdf"));
        QCOMPARE(h.s.Bib.Library[0].HasDocument, 1);
        // The list line is rewritten with the new flag.
        QCOMPARE(h.Lines()[0], QString::fromStdString(BuildListLine(h.s, 0)));
        h.Display()->DateiClick();
        QCOMPARE(h.shell.opened.size(), 1);
    }

    void writeBackAndTypeChange()
    {
        Harness h;
        QVERIFY(h.Start());
        h.SetLibrary({MakeItem("article", "a1", {{"title", "T"}, {"year", "1999"}, {"note", "n"}})});
        h.s.NotesList = {"a1", "its note"};
        Select(h, 0);
        TFormDisplay* d = h.Display();
        h.s.LibraryChanged = false;
        // title is row 2 of an article; editing sets the field.
        d->FieldEditors[2]->setPlainText(QStringLiteral("New title"));
        QVERIFY(h.s.LibraryChanged);
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "title"), std::string("New title"));
        // Typing into the empty author row appends the field; the cursor stays put.
        d->FieldEditors[1]->setFocus();
        QTest::keyClicks(d->FieldEditors[1], QStringLiteral("abc"));
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "author"), std::string("abc"));
        QCOMPARE(h.s.Bib.Library[0].Fields.back().Name, std::string("author"));
        // Emptying the year removes it, the last field moves into its place.
        d->FieldEditors[4]->setPlainText(QString());
        QCOMPARE(h.s.Bib.Library[0].Fields[1].Name, std::string("author"));
        // The reference renames the note and the notes caption.
        d->FieldEditors[0]->setPlainText(QStringLiteral("a2"));
        QCOMPARE(h.s.NotesList[0], std::string("a2"));
        QCOMPARE(h.program->W().Notes->windowTitle(), QStringLiteral("a2"));
        QCOMPARE(h.Lines()[0], QString::fromStdString(BuildListLine(h.s, 0)));
        QVERIFY(h.Lines()[0].contains(QStringLiteral("a2")));
        // Type change: fields of the old type become custom rows.
        d->Itemtype->setCurrentText(QStringLiteral("misc"));
        QCOMPARE(h.s.Bib.Library[0].ItemType, std::string("misc"));
        QCOMPARE(h.s.Bib.Library[0].Fields.size(), size_t(3));
    }

    void transparentModeAndNotes()
    {
        Harness h(Overrides{{"displaynotes", "2"}});
        QVERIFY(h.Start());
        h.Main()->show();
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {})});
        h.s.NotesList = {"A", "note of a"};
        TFormNotes* n = h.program->W().Notes;
        Select(h, 0);
        QVERIFY(n->isVisible()); // case-blind lookup, "when not empty"
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("note of a"));
        Select(h, 1);
        QVERIFY(!n->isVisible());
        // The first character creates the entry, deleting it removes it.
        QTest::keyClicks(n->NotesMemo, QStringLiteral("x"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"A", "note of a", "b", "x"}));
        QTest::keyClick(n->NotesMemo, Qt::Key_Return);
        QCOMPARE(h.s.NotesList[3], std::string("x "));
        n->NotesMemo->setPlainText(QString());
        QCOMPARE(h.s.NotesList.size(), size_t(2));
        n->NotesMemo->setPlainText(QStringLiteral("abc\r\ndef"));
        QCOMPARE(h.s.NotesList[3], std::string("abc def"));
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("abc def"));

        // T mode: main window hidden, notes hidden, editor at 125/255.
        Select(h, 0);
        h.Display()->MakeTransparentClick();
        QVERIFY(!h.Main()->isVisible());
        QVERIFY(!n->isVisible());
        QVERIFY(qAbs(h.Display()->windowOpacity() - 125.0 / 255.0) < 0.01);
        h.Main()->HideWindow1->trigger(); // Ctrl+T
        QVERIFY(h.Main()->isVisible());
        QCOMPARE(h.Display()->windowOpacity(), 1.0);
        QVERIFY(n->isVisible());
    }

    void renamingOntoANotedReferenceShowsThatNote()
    {
        // References that differ in letter case share one note: once the
        // reference is edited onto another item's, the memo must show that
        // note, or the next keystroke overwrites it with the old memo text.
        Harness h(Overrides{{"displaynotes", "0"}});
        QVERIFY(h.Start());
        h.Main()->show();
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {})});
        h.s.NotesList = {"a", "note of a"};
        TFormNotes* n = h.program->W().Notes;
        Select(h, 1);
        QVERIFY(n->NotesMemo->toPlainText().isEmpty());
        h.Display()->FieldEditors[0]->setPlainText(QStringLiteral("A"));
        QCOMPARE(n->windowTitle(), QStringLiteral("A"));
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("note of a"));
        n->NotesMemo->moveCursor(QTextCursor::End);
        QTest::keyClicks(n->NotesMemo, QStringLiteral("!"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"a", "note of a!"}));
        // A rename that carries the item's own note keeps the memo as it is.
        Select(h, 0);
        h.Display()->FieldEditors[0]->setPlainText(QStringLiteral("c"));
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("note of a!"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"c", "note of a!"}));
    }

    void noteOfAReferenceThatAnotherNoteReadsLike()
    {
        // The note of "b" reads "c". Typing c's note must file it under c, where
        // the next showing finds it, and leave no empty entries behind.
        Harness h(Overrides{{"displaynotes", "0"}});
        QVERIFY(h.Start());
        h.Main()->show();
        h.SetLibrary({MakeItem("misc", "b", {}), MakeItem("misc", "c", {})});
        h.s.NotesList = {"b", "c"};
        TFormNotes* n = h.program->W().Notes;
        Select(h, 1);
        QVERIFY(n->NotesMemo->toPlainText().isEmpty());
        QTest::keyClicks(n->NotesMemo, QStringLiteral("xy"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"b", "c", "c", "xy"}));
        Select(h, 0);
        Select(h, 1);
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("xy"));
    }

    void addAndDeleteWithTheSelectionRule()
    {
        Harness h;
        QVERIFY(h.Start());
        h.Main()->show();
        std::vector<Bibitem> ten;
        for (int i = 0; i < 10; ++i)
            ten.push_back(MakeItem("misc", "r" + std::to_string(i), {}));
        h.SetLibrary(ten);
        h.s.NotesList = {"r1", "n"};
        const int cases[][2] = {{0, 1}, {1, 2}, {5, 4}};
        for (const auto& c : cases) {
            h.SetLibrary(ten);
            Select(h, c[0]);
            h.dialogs.yesNo.push_back(true);
            h.Main()->mnuDeleteItem->trigger();
            QCOMPARE(h.Main()->SelectedLine(), c[1]);
            QCOMPARE(h.s.Bib.Library.size(), size_t(9));
            QCOMPARE(h.s.Bib.Library[static_cast<size_t>(c[0])].Reference, std::string("r9"));
            QVERIFY(h.Display()->isVisible());
        }
        QVERIFY(h.s.NotesList.empty());
        // No: nothing happens.
        h.dialogs.yesNo.push_back(false);
        h.Main()->mnuDeleteItem->trigger();
        QCOMPARE(h.s.Bib.Library.size(), size_t(9));
        // The only item: nothing selected, editor hidden.
        h.SetLibrary({MakeItem("misc", "only", {})});
        Select(h, 0);
        h.dialogs.yesNo.push_back(true);
        h.Main()->mnuDeleteItem->trigger();
        QCOMPARE(h.Main()->SelectedLine(), -1);
        QVERIFY(!h.Display()->isVisible());

        // New item: unique suffix, selected, shown without errors, T mode.
        h.SetLibrary({MakeItem("misc", "smith", {}), MakeItem("misc", "smitha", {})});
        h.s.Log.LogList.clear();
        h.dialogs.texts.push_back(QStringLiteral("smith"));
        h.Main()->AddItem->trigger();
        QCOMPARE(h.s.Bib.Library.back().Reference, std::string("smithb"));
        QCOMPARE(h.s.Bib.Library.back().ItemType, std::string("article"));
        QCOMPARE(h.Main()->SelectedItem(), 2);
        QVERIFY(h.Display()->isVisible());
        QVERIFY(!h.Main()->isVisible());
        QVERIFY(Messages(h.s).size() <= 1); // the list count only, no schema errors
        QCOMPARE(h.s.Settings.Read("log.error"), std::string("yes"));
        QVERIFY(h.Main()->Heading->text().endsWith(QStringLiteral(": 3 items.")));
    }

    void customFieldDialogByItsThreeSenders()
    {
        Harness h;
        QVERIFY(h.Start());
        h.SetLibrary({MakeItem("misc", "m", {{"note", "y"}})});
        TFormCustom* c = h.program->W().Custom;
        QCOMPARE(c->windowTitle(), QStringLiteral("Enter custom field data"));
        // Without a selection nothing happens.
        h.Main()->newFieldClick(h.Main());
        QVERIFY(!c->isVisible());
        Select(h, 0);
        h.Main()->AddFolderlocation1->trigger();
        QVERIFY(c->isVisible());
        QVERIFY(!h.Main()->isEnabled());
        QVERIFY(!h.Display()->isEnabled());
        QCOMPARE(c->Fieldname->text(), QStringLiteral("folder"));
        c->Fieldvalue->setText(QStringLiteral("/papers"));
        c->OK->click();
        QVERIFY(!c->isVisible());
        QVERIFY(h.Main()->isEnabled() && h.Display()->isEnabled());
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "folder"), std::string("/papers"));
        // The menu entry keeps the boxes as they were.
        h.Main()->newField->trigger();
        QCOMPARE(c->Fieldname->text(), QStringLiteral("folder"));
        c->Cancel->click();
        // Z empties both boxes.
        h.Main()->KeyZ();
        QVERIFY(c->Fieldname->text().isEmpty() && c->Fieldvalue->text().isEmpty());
        c->Fieldname->setText(QStringLiteral("note"));
        c->Fieldvalue->setText(QStringLiteral("x"));
        c->OK->click();
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "note"), std::string("y x"));
        // Add Keywords: the name "key" attaches the keyword menu.
        h.Main()->AddKeywords1->trigger();
        QCOMPARE(c->Fieldname->text(), QStringLiteral("key"));
        QCOMPARE(c->Fieldvalue->contextMenuPolicy(), Qt::CustomContextMenu);
        c->Cancel->click();
    }

    void keywordMenus_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("topEntries");
        QTest::addColumn<QString>("lastCaption");
        QTest::newRow("0") << 0 << 0 << QString();
        QTest::newRow("20") << 20 << 20 << QStringLiteral("k&&119");
        QTest::newRow("21") << 21 << 2 << QStringLiteral("k&&120-k&&120");
        QTest::newRow("45") << 45 << 3 << QStringLiteral("k&&140-k&&144");
    }
    void keywordMenus()
    {
        QFETCH(int, count);
        QFETCH(int, topEntries);
        QFETCH(QString, lastCaption);
        Harness h;
        QVERIFY(h.Start());
        h.s.KeywordList.clear();
        for (int i = count - 1; i >= 0; --i)
            h.s.KeywordList.push_back("k&" + std::to_string(100 + i));
        h.Main()->BuildPopupKeys();
        const QList<QAction*> top = h.Main()->PopupKeys->actions();
        QCOMPARE(top.size(), topEntries);
        if (count > 0)
            QCOMPARE(top.back()->text(), lastCaption);
        if (count == 45)
            QCOMPARE(top.back()->menu()->actions().size(), 5);
    }

    void checkConsistencyCommand()
    {
        Harness h(Overrides{{"pdfpath", "docs/"}, {"log.error", "no"}});
        QDir().mkdir(QStringLiteral("docs"));
        WriteFile(h.dir.file("docs/stray.pdf"), "x");
        QVERIFY(h.Start());
        h.Main()->show();
        h.SetLibrary({ConflictBook(), MakeItem("misc", "Knuth:1984", {})});
        Select(h, 0);
        h.s.Log.LogList.clear();
        h.Main()->CheckConsitency1->trigger();
        const std::vector<std::string> m = Messages(h.s);
        QVERIFY(std::find(m.begin(), m.end(),
                          "Multiply definined reference knuth:1984 in book The TeXbook") != m.end());
        QCOMPARE(h.Main()->Status->text(),
                 QStringLiteral("Consistency check found errors. Refer to error log."));
        QCOMPARE(h.s.Settings.Read("log.error"), std::string("no"));
        QVERIFY(h.Display()->isVisible());
        QCOMPARE(h.Display()->FieldEditors[0]->toPlainText(), QStringLiteral("knuth:1984"));
    }

    void screenshots()
    {
        Harness h(Overrides{{"displaynotes", "0"}});
        QVERIFY(h.Start());
        h.Main()->show();
        h.SetLibrary({ConflictBook()});
        h.s.NotesList = {"knuth:1984", "Read chapter 8 on boxes and glue before the talk."};
        Select(h, 0);
        h.Display()->resize(460, 820);
        QApplication::processEvents();
        const QString docs = QStringLiteral(LORIX_SOURCE_DIR "/docs/");
        QDir().mkpath(docs);
        QVERIFY(h.Display()->grab().save(docs + QStringLiteral("item-editor.png")));
        TFormNotes* n = h.program->W().Notes;
        QVERIFY(n->isVisible());
        QApplication::processEvents();
        QVERIFY(n->grab().save(docs + QStringLiteral("notes-window.png")));
    }
};

QTEST_MAIN(EditingTest)
#include "editing_test.moc"
