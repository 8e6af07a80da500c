// The item editor, the notes window, the custom field dialog and the editing
// commands of the main window, driven headless. The rules behind the rows
// (styles, write-back, selection after a delete) are tested in the view layer;
// here: that the windows apply them.
#include "ui/formcustom.h"
#include "ui/formnotes.h"
#include "uitest.h"
#include "view/listview.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;
using namespace std::string_literals;

namespace {

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

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
  private slots:
    void rowStylesAndTheDocument()
    {
        Harness h(Overrides{{"pdfpath", "docs/"}});
        QDir().mkdir(QStringLiteral("docs"));
        WriteFile(h.dir.file("docs/knuth1984.pdf"), "%PDF");
        QVERIFY(h.Start());
        h.SetLibrary({ConflictBook(), MakeItem("misc", "Knuth:1984", {})});
        TFormDisplay* d = h.Display();
        // Background white without a document.
        h.Select(1);
        QCOMPARE(d->palette().color(QPalette::Window), QColor(255, 255, 255));
        QVERIFY(!d->Datei->isEnabled());

        h.s.Log.LogList.clear();
        h.Select(0);
        auto label = [d](int r) { return d->FieldLabels[r]; };
        auto colour = [](const QWidget* w, QPalette::ColorRole role) { return w->palette().color(role); };
        QVERIFY(label(0)->font().bold());
        QVERIFY(label(0)->toolTip().isEmpty());
        QVERIFY(!label(6)->font().bold());
        QCOMPARE(colour(label(0), QPalette::WindowText), QColor(255, 0, 0));
        for (int r : {1, 2}) { // author and editor both filled: two conflicts
            QCOMPARE(colour(d->FieldEditors[r], QPalette::Text), QColor(255, 0, 0));
            QCOMPARE(label(r)->toolTip(), QStringLiteral("Maybe you should delete the value in this field."));
        }
        QCOMPARE(h.s.Log.LogList.size(), size_t(3)); // two conflicts, no publisher
        d->ShowItem(0);                              // every showing reports again
        QCOMPARE(h.s.Log.LogList.size(), size_t(6));
        // Every shown label and value reads whole: rows sized by the font, none overlapping the next.
        for (int r = 0; r <= 17; ++r) {
            const QPlainTextEdit* ed = d->FieldEditors[r];
            QVERIFY2(label(r)->height() >= label(r)->sizeHint().height() &&
                         label(r)->height() >= QFontMetrics(label(r)->font()).height() &&
                         ed->y() >= label(r)->geometry().bottom() && label(r + 1)->y() > ed->geometry().bottom() &&
                         ed->viewport()->height() >= ed->fontMetrics().lineSpacing() + 2,
                     qPrintable(label(r)->text()));
        }

        // With a document: silver, the button opens it, the list line gets the flag.
        QCOMPARE(d->palette().color(QPalette::Window), QColor(192, 192, 192));
        // A black label stays black while a dialog disables the window: the
        // style's grey would not read on silver.
        QCOMPARE(label(6)->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(0, 0, 0));
        QVERIFY(d->Datei->isEnabled());
        QCOMPARE(d->Datei->toolTip(), QStringLiteral("knuth1984.pdf"));
        QCOMPARE(h.s.Bib.Library[0].HasDocument, 1);
        QCOMPARE(h.Lines()[0], QString::fromStdString(BuildListLine(h.s, 0)));
        // The desktop gets the document's absolute path; what it cannot open is reported.
        const QString pdf = QString::fromStdString(h.dir.file("docs/knuth1984.pdf"));
        d->DateiClick();
        QCOMPARE(h.shell.opened, QStringList{pdf});
        h.shell.works = false;
        d->DateiClick();
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("Cannot open ") + pdf + QStringLiteral("."));
        h.Main()->Contents1->trigger(); // no manual in this folder
        QCOMPARE(h.Main()->Status->text(),
                 QStringLiteral("File not found: ") + QString::fromStdString(h.dir.file("manual/lorix.html")));
        h.shell.works = true;
    }

    // After the rows are laid out again, the keys still go into the field they
    // were typed into, and no other value changes.
    void keystrokesStayInTheirFieldWhenTheRowsMove()
    {
        Started h;
        TFormDisplay* d = h.Display();
        auto rowOf = [d](const char* label) {
            int r = d->UsedRows() - 1;
            while (r > 0 && d->FieldLabels[r]->text() != QLatin1String(label))
                --r;
            return r;
        };
        // Emptied and typed again (the rows after it move meanwhile), or typed into empty.
        const struct {
            const char *field, *before, *after;
        } cases[] = {
            {"aa", "aa=1 bb=2 cc=3", "aa=xy bb=2 cc=3"}, {"bb", "aa=1 bb=2 cc=3", "aa=1 bb=xy cc=3"},
            {"aa", "aa=1", "aa=xy"}, // the only custom field
            {"title", "aa=1 title=T", "aa=1 title=xy"},  {"title", "aa=1", "aa=1 title=xy"},
        };
        for (const auto& c : cases) {
            Bibitem item = MakeItem("misc", "m", {});
            for (const QString& f : QString::fromLatin1(c.before).split(u' '))
                item.Fields.push_back(
                    {f.section(u'=', 0, 0).toStdString(), f.section(u'=', 1).toStdString(), false});
            h.SetLibrary({item});
            h.Select(0);
            d->FieldEditors[rowOf(c.field)]->setFocus();
            // The keys go where the focus is, wherever it moved.
            for (const QKeyCombination k : {QKeyCombination(Qt::ControlModifier, Qt::Key_A),
                                            QKeyCombination(Qt::Key_Backspace), QKeyCombination(Qt::Key_X),
                                            QKeyCombination(Qt::Key_Y)})
                QTest::keyClick(d->focusWidget(), k.key(), k.keyboardModifiers());
            QStringList now;
            for (const Bibfield& f : h.s.Bib.Library[0].Fields)
                now << QString::fromStdString(f.Name + "=" + f.Value);
            now.sort();
            QCOMPARE(now.join(u' '), QString::fromLatin1(c.after));
            QCOMPARE(d->focusWidget(), d->FieldEditors[rowOf(c.field)]);
        }

        // A type change under the cursor keeps the row typed into in place,
        // so the rows below it stand one lower; a line break typed then into
        // an empty row down there lays the rows out again while the key is
        // still being handled: the break stays in that field.
        h.SetLibrary({MakeItem("misc", "m", {})});
        h.Select(0);
        d->FieldEditors[rowOf("howpublished")]->setFocus();
        d->Itemtype->setCurrentText(QStringLiteral("book"));
        QPlainTextEdit* address = d->FieldEditors[rowOf("address")];
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Return);
        const Bibitem& book = h.s.Bib.Library[0];
        QCOMPARE(book.FindField("edition"), -1);
        QCOMPARE(book.Fields.size(), size_t(book.FindField("address") >= 0 ? 1 : 0));
    }

    // That every edit reaches the item and the list line, the random session
    // checks after each step; here what it cannot see.
    void editorsAndTheCustomFieldDialogWriteBackAndTheKeywordMenus()
    {
        Started h;
        h.SetLibrary({MakeItem("article", "a1", {{"title", "T"}, {"year", "1999"}, {"note", "n"}})});
        h.s.NotesList = {"a1", "its note"};
        h.Select(0);
        TFormDisplay* d = h.Display();
        const Bibitem& it = h.s.Bib.Library[0];
        d->FieldEditors[4]->setPlainText(QString()); // emptying the year removes it
        QCOMPARE(it.FindField("year"), -1);
        // Red while the braces of a value do not balance.
        for (const auto& [title, colour] : {std::pair{"On {DNA", QColor(255, 0, 0)}, {"On {DNA}", QColor(0, 0, 0)}}) {
            d->FieldEditors[2]->setPlainText(QString::fromLatin1(title));
            QCOMPARE(d->FieldEditors[2]->palette().color(QPalette::Text), colour);
        }
        d->FieldEditors[0]->setPlainText(QStringLiteral("a2")); // the notes caption follows the reference
        QCOMPARE(h.program->W().Notes->windowTitle(), QStringLiteral("a2"));
        // Another type: the fields of the old one stay, as custom rows.
        d->Itemtype->setCurrentText(QStringLiteral("misc"));
        QCOMPARE(it.ItemType, std::string("misc"));
        QCOMPARE(it.Fields.size(), size_t(2));

        // The custom field dialog, by its senders.
        h.SetLibrary({MakeItem("misc", "m", {{"note", "y"}})});
        TFormCustom* c = h.program->W().Custom;
        QCOMPARE(c->windowTitle(), QStringLiteral("Enter custom field data"));
        h.Main()->newFieldClick(h.Main()); // without a selection nothing happens
        QVERIFY(!c->isVisible());
        h.Select(0);
        h.Main()->AddFolderlocation1->trigger();
        QVERIFY(c->isVisible());
        QVERIFY(!h.Main()->isEnabled());
        QVERIFY(!h.Display()->isEnabled());
        QCOMPARE(c->Fieldname->text(), QStringLiteral("folder"));
        c->Fieldvalue->setText(QStringLiteral("/papers"));
        c->OK->click();
        QVERIFY(!c->isVisible());
        QVERIFY(h.Main()->isEnabled());
        QVERIFY(h.Display()->isEnabled());
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "folder"), std::string("/papers"));
        h.Main()->newField->trigger(); // the menu entry keeps the boxes as they were
        QCOMPARE(c->Fieldname->text(), QStringLiteral("folder"));
        c->Cancel->click();
        h.Main()->KeyZ(); // Z empties both
        QVERIFY(c->Fieldname->text().isEmpty());
        QVERIFY(c->Fieldvalue->text().isEmpty());
        c->Fieldname->setText(QStringLiteral("note"));
        c->Fieldvalue->setText(QStringLiteral("x"));
        c->OK->click();
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "note"), std::string("y x"));
        h.Main()->AddKeywords1->trigger(); // the name "key" attaches the keyword menu
        QCOMPARE(c->Fieldname->text(), QStringLiteral("key"));
        QCOMPARE(c->Fieldvalue->contextMenuPolicy(), Qt::CustomContextMenu);
        c->Cancel->click();
        // Captions escape "&"; more than 20 keywords go into submenus of 20, whose
        // captions name their first and last keyword.
        const struct {
            int count, topEntries, lastSubmenu;
            const char* lastCaption;
        } cases[] = {{20, 20, 0, "k&&119"}, {45, 3, 5, "k&&140-k&&144"}};
        for (const auto& k : cases) {
            h.s.KeywordList.clear();
            for (int i = k.count - 1; i >= 0; --i)
                h.s.KeywordList.push_back("k&" + std::to_string(100 + i));
            h.Main()->BuildPopupKeys();
            const QList<QAction*> top = h.Main()->PopupKeys->actions();
            QCOMPARE(top.size(), k.topEntries);
            QCOMPARE(top.back()->text(), QString::fromLatin1(k.lastCaption));
            QCOMPARE(top.back()->menu() ? top.back()->menu()->actions().size() : 0, k.lastSubmenu);
        }
    }

    // What the list shows on screen (the window's backing store, not a fresh
    // rendering) follows a keystroke's write-back, for the first line, which
    // sets the height of all, and for any other.
    void listLineOnScreenFollowsAnEdit()
    {
        Started h;
        h.SetLibrary({MakeItem("article", "a0", {{"title", "T0"}}), MakeItem("article", "a1", {{"title", "T1"}})});
        TFormMain* m = h.Main();
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        for (int line : {1, 0}) {
            h.Select(line);
            const QRect r = m->Items->visualRect(m->ItemLines->index(line))
                                .translated(m->Items->viewport()->mapTo(m, QPoint()));
            auto onScreen = [&] {
                QTest::qWait(20); // a layout first, then the repaint it asks for
                return m->screen()->grabWindow(m->winId(), r.x(), r.y(), r.width(), r.height()).toImage();
            };
            const QImage before = onScreen();
            h.Display()->FieldEditors[2]->setPlainText(QStringLiteral("Changed"));
            QVERIFY(h.Lines()[line].contains(QStringLiteral("Changed")));
            QVERIFY2(onScreen() != before, qPrintable(QString::number(line)));
        }
    }

    void notesMemoTransparentModeAndNotesFollowingTheReference()
    {
        Started h(Overrides{{"displaynotes", "2"}});
        h.Main()->show();
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {})});
        h.s.NotesList = {"A", "note of a"};
        TFormNotes* n = h.program->W().Notes;
        QPlainTextEdit* memo = n->NotesMemo;
        h.Select(0);
        QVERIFY(n->isVisible()); // shown when the note (found ignoring case) is not empty
        QCOMPARE(memo->toPlainText(), QStringLiteral("note of a"));
        h.Select(1);
        QVERIFY(!n->isVisible());
        // The first character creates the entry, line breaks become blanks,
        // emptying removes it.
        QTest::keyClicks(memo, QStringLiteral("x"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"A", "note of a", "b", "x"}));
        QTest::keyClick(memo, Qt::Key_Return);
        QCOMPARE(h.s.NotesList[3], std::string("x "));
        memo->setPlainText(QString());
        QCOMPARE(h.s.NotesList.size(), size_t(2));
        memo->setPlainText(QStringLiteral("abc\r\ndef"));
        QCOMPARE(h.s.NotesList[3], std::string("abc def"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("abc def"));

        // T: main window and notes hidden, the editor at 125/255; Ctrl+T back,
        // typed in any window of the program.
        h.Select(0);
        const Windows& w = h.program->W();
        for (QWidget* window : std::initializer_list<QWidget*>{w.Display, w.Notes, w.Log}) {
            h.Display()->MakeTransparentClick();
            QVERIFY(!h.Main()->isVisible());
            QVERIFY(!n->isVisible());
            QVERIFY(qAbs(h.Display()->windowOpacity() - 125.0 / 255.0) < 0.01);
            window->show();
            window->activateWindow(); // shortcuts need an active window
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier);
            QVERIFY2(h.Main()->isVisible() && n->isVisible(), qPrintable(window->objectName()));
            QCOMPARE(h.Display()->windowOpacity(), 1.0);
        }
        w.Log->hide();
        // The editor closed while the main window is hidden brings it back.
        h.Display()->MakeTransparentClick();
        h.Display()->close();
        QVERIFY(h.Main()->isVisible());
        QVERIFY(h.Display()->windowOpacity() == 1.0);
        // With no item shown, Ctrl+T would leave no window at all: it does nothing.
        QTest::keyClick(h.Main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(h.Main()->isVisible());

        // References that differ in letter case share one note: once the
        // reference is edited onto another item's, the memo must show that
        // note, or the next keystroke overwrites it with the old memo text.
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {})});
        h.s.NotesList = {"a", "note of a"};
        h.Select(1);
        QVERIFY(n->NotesMemo->toPlainText().isEmpty());
        h.Display()->FieldEditors[0]->setPlainText(QStringLiteral("A"));
        QCOMPARE(n->windowTitle(), QStringLiteral("A"));
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("note of a"));
        n->NotesMemo->moveCursor(QTextCursor::End);
        QTest::keyClicks(n->NotesMemo, QStringLiteral("!"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"a", "note of a!"}));
        // A rename that carries the item's own note keeps the memo as it is.
        h.Select(0);
        h.Display()->FieldEditors[0]->setPlainText(QStringLiteral("c"));
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("note of a!"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"c", "note of a!"}));

        // The note of "b" reads "c". Typing c's note must file it under c,
        // where the next showing finds it, and leave no empty entries behind.
        h.SetLibrary({MakeItem("misc", "b", {}), MakeItem("misc", "c", {})});
        h.s.NotesList = {"b", "c"};
        h.Select(1);
        QVERIFY(n->NotesMemo->toPlainText().isEmpty());
        QTest::keyClicks(n->NotesMemo, QStringLiteral("xy"));
        QVERIFY((h.s.NotesList == std::vector<std::string>{"b", "c", "c", "xy"}));
        h.Select(0);
        h.Select(1);
        QCOMPARE(n->NotesMemo->toPlainText(), QStringLiteral("xy"));
    }

    // A Windows-1252 library never gets a "?" for a character it cannot hold:
    // the value keeps its text and an error message names the character.
    void charactersTheLibrarysEncodingCannotHoldAreRefused()
    {
        Started h;
        TFormMain* m = h.Main();
        auto latin1 = [&h](std::vector<Bibitem> items) {
            h.SetLibrary(std::move(items));
            h.s.Bib.Utf8 = false;
            h.Main()->RefreshList(false);
        };
        latin1({MakeItem("misc", "m", {{"title", "Caf\xe9"}})});
        h.Select(0);
        TFormDisplay* d = h.Display();
        QPlainTextEdit* title = d->FieldEditors[2];
        QCOMPARE(title->toPlainText(), QString::fromUtf8("Caf\xc3\xa9"));
        const QString lodz = QString::fromUtf8(" \xc5\x81\xc3\xb3" "d\xc5\xba \xce\xb1");
        const QString refused = QStringLiteral("Character U+0141 cannot be held by Windows-1252, the encoding "
                                               "of this library: the change was refused.");
        title->moveCursor(QTextCursor::End);
        title->insertPlainText(lodz); // pasted whole: refused whole
        QVERIFY(GetFieldValue(h.s.Bib.Library[0], "title") == "Caf\xe9");
        QVERIFY(m->Status->text() == refused);
        QCOMPARE(title->toPlainText(), QString::fromUtf8("Caf\xc3\xa9"));
        for (const QChar c : lodz) // typed: what the code page holds goes in
            QTest::sendKeyEvent(QTest::Click, title, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "title"), "Caf\xe9 \xf3" "d "s);
        QVERIFY(m->Status->text().startsWith(QStringLiteral("Character U+03B1 ")));

        // The note, the custom field dialog and a new item's reference.
        QPlainTextEdit* memo = h.program->W().Notes->NotesMemo;
        memo->setPlainText(QString::fromUtf8("\xce\xb1"));
        QVERIFY(h.s.NotesList.empty());
        QVERIFY(memo->toPlainText().isEmpty());
        TFormCustom* c = h.program->W().Custom;
        m->newField->trigger();
        c->Fieldname->setText(QStringLiteral("x"));
        c->Fieldvalue->setText(QString::fromUtf8("\xe2\x82\xac \xce\xb1"));
        c->OK->click(); // stays up to be mended
        QVERIFY(c->isVisible());
        QVERIFY(h.s.Bib.Library[0].FindField("x") < 0);
        c->Cancel->click();
        h.dialogs.texts.push_back(QString::fromUtf8("\xc5\x81"));
        m->AddItem->trigger();
        QCOMPARE(h.s.Bib.Library.back().Reference, ""s);
        m->HideWindow1->trigger();

        // Imported text: converted where the code page holds it, else not imported.
        const struct {
            const char* record; // UTF-8, as on the clipboard
            const char* title;  // as stored; nullptr: refused
        } imports[] = {
            {"TI  - Caf\xc3\xa9 \xe2\x80\x93 a study.\nAU  - M\xc3\xbcller J\nAD  - \xce\xb1 institute\n",
             "Caf\xe9 \x96 a study"},
            {"TI  - The \xce\xb1 helix.\nAU  - Smith J\n", nullptr},
            {"TI  - A study.\nAU  - \xc5\x81ukasz J\n", nullptr},
        };
        for (const auto& i : imports) {
            latin1({MakeItem("misc", "m", {})});
            h.clipboard.content = QString::fromUtf8(i.record);
            m->mnuImportfC->trigger();
            QCOMPARE(h.s.Bib.Library.size(), size_t(i.title ? 2 : 1));
            if (i.title) {
                QVERIFY(GetFieldValue(h.s.Bib.Library[1], "title") == i.title);
                QVERIFY(GetFieldValue(h.s.Bib.Library[1], "author") == "M\xfcller, J");
            } else
                QVERIFY(m->Status->text().endsWith(u"the encoding of this library: not importing."));
        }
    }
};

QTEST_MAIN(EditingTest)
#include "editing_test.moc"
