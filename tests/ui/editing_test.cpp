// The item editor, the notes window, the custom field dialog and the editing
// commands of the main window, driven headless. The rules behind the rows
// (styles, write-back, selection after a delete) are tested in the view layer;
// here: that the windows apply them.
#include "core/fileio.h"
#include "uitest.h"

using namespace lorix;
using namespace lorix::test;
using namespace std::string_literals;
using namespace Qt::StringLiterals;

namespace {

// The notes, each line ended by "|", as a text a failed comparison shows.
QString Notes(const Harness& h) { return QString::fromStdString(JoinLines(h.s.NotesList, "|")); }

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
  private slots:
    // Every shown row reads whole; the document button opens the item's document.
    void rowsReadWholeAndTheDocumentOpens()
    {
        Harness h(Overrides{{"pdfpath", "docs/"}});
        QDir().mkdir(u"docs"_s);
        WriteFile(h.dir.file("docs/knuth1984.pdf"), "%PDF");
        QVERIFY(h.Start());
        h.SetLibrary({Item("book", "knuth:1984"), Item("misc", "Knuth:1984")});
        auto* datei = Find<QPushButton>(h.Display(), "Datei");
        h.Select(1);
        QVERIFY(!datei->isEnabled());
        h.Select(0);
        // Rows sized by the font, none overlapping the next.
        for (int r = 0; r <= 17; ++r) {
            const QLabel* label = h.Label(r);
            const QPlainTextEdit* ed = h.Editor(r);
            const QByteArray row = label->text().toUtf8();
            QVERIFY2(label->height() >= std::max(label->sizeHint().height(), label->fontMetrics().height()), row);
            QVERIFY2(ed->y() >= label->geometry().bottom(), row);
            QVERIFY2(h.Label(r + 1)->y() > ed->geometry().bottom(), row);
            QVERIFY2(ed->viewport()->height() >= ed->fontMetrics().lineSpacing() + 2, row);
        }
        // The desktop gets the document's absolute path; what it cannot open is reported.
        const QString pdf = QString::fromStdString(h.dir.file("docs/knuth1984.pdf"));
        datei->click();
        QCOMPARE(h.shell.opened, QStringList{pdf});
        h.shell.works = false;
        datei->click();
        QCOMPARE(h.Status(), u"Cannot open "_s + pdf + u"."_s);
        h.Action("Contents1")->trigger(); // no manual in this folder
        QCOMPARE(h.Status(), u"File not found: "_s + QString::fromStdString(h.dir.file("manual/lorix.html")));
    }

    // After the rows are laid out again, the keys still go into the field they
    // were typed into, and no other value changes.
    void keystrokesStayInTheirFieldWhenTheRowsMove()
    {
        Started h;
        TFormDisplay* d = h.Display();
        // Emptied and typed again (the rows after it move meanwhile), or typed into empty.
        const std::tuple<const char*, const char*, const char*> cases[] = {
            {"aa", "aa=1 bb=2 cc=3", "aa=xy bb=2 cc=3"}, {"bb", "aa=1 bb=2 cc=3", "aa=1 bb=xy cc=3"},
            {"aa", "aa=1", "aa=xy"}, // the only custom field
            {"title", "aa=1 title=T", "aa=1 title=xy"},  {"title", "aa=1", "aa=1 title=xy"},
        };
        for (const auto& [field, before, after] : cases) {
            Bibitem item = Item("misc", "m");
            for (const QString& f : QString::fromLatin1(before).split(u' '))
                item.Fields.push_back({f.section(u'=', 0, 0).toStdString(), f.section(u'=', 1).toStdString(), false});
            h.SetLibrary({item});
            h.Select(0);
            h.Editor(h.RowOf(field))->setFocus();
            // The keys go where the focus is, wherever it moved.
            QTest::keyClick(d->focusWidget(), Qt::Key_A, Qt::ControlModifier);
            for (Qt::Key k : {Qt::Key_Backspace, Qt::Key_X, Qt::Key_Y})
                QTest::keyClick(d->focusWidget(), k);
            QStringList now;
            for (const Bibfield& f : h.s.Bib.Library[0].Fields)
                now << QString::fromStdString(f.Name + "=" + f.Value);
            now.sort();
            QCOMPARE(now.join(u' '), QString::fromLatin1(after));
            QCOMPARE(d->focusWidget(), h.Editor(h.RowOf(field)));
        }

        // A type change under the cursor keeps the row typed into in place,
        // so the rows below it stand one lower; a line break typed then into
        // an empty row down there lays the rows out again while the key is
        // still being handled: the break stays in that field.
        h.SetLibrary({Item("misc", "m")});
        h.Select(0);
        h.Editor(h.RowOf("howpublished"))->setFocus();
        Find<QComboBox>(d, "Itemtype")->setCurrentText(u"book"_s);
        QPlainTextEdit* address = h.Editor(h.RowOf("address"));
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Return);
        const Bibitem& book = h.s.Bib.Library[0];
        QCOMPARE(book.FindField("edition"), -1);
        QCOMPARE(book.Fields.size(), size_t(book.FindField("address") >= 0 ? 1 : 0));
    }

    // That every edit reaches the item and the list line, the random session
    // checks after each step; here what it cannot see.
    void customFieldDialogAndTheKeywordMenus()
    {
        Started h;
        h.SetLibrary({Item("misc", "m", {{"note", "y"}})});
        TFormCustom* c = h.Custom();
        auto* name = Find<QLineEdit>(c, "Fieldname");
        auto* value = Find<QLineEdit>(c, "Fieldvalue");
        h.Main()->newFieldClick(h.Main()); // without a selection nothing happens
        QCOMPARE(h.Shown(), QString());
        h.Select(0);
        h.Editor(0)->setPlainText(u"a2"_s); // the notes caption follows the reference
        QCOMPARE(h.Notes()->windowTitle(), u"a2"_s);
        h.Action("AddFolderlocation1")->trigger();
        QCOMPARE(h.Shown() + u' ' + name->text(), u"Display- Custom folder"_s);
        value->setText(u"/papers"_s);
        Click(c, "OK");
        QCOMPARE(h.Shown(), u"Display"_s);
        // The menu entry keeps the boxes as they were, Z empties both, Add
        // Keywords names the field "key", which attaches the keyword menu.
        const std::tuple<std::function<void()>, const char*, const char*> senders[] = {
            {[&] { h.Action("newField")->trigger(); }, "folder", "/papers"},
            {[&] { h.Main()->KeyZ(); }, "", ""},
            {[&] { h.Action("AddKeywords1")->trigger(); }, "key", ""}};
        for (const auto& [open, field, text] : senders) {
            open();
            QCOMPARE(name->text() + u'=' + value->text(), QString::fromLatin1(field) + u'=' + QString::fromLatin1(text));
            Click(c, "Cancel");
        }
        QCOMPARE(value->contextMenuPolicy(), Qt::CustomContextMenu);
        // The keyword menu: its groups (the view's rule) as submenus whose
        // captions escape "&".
        for (int i = 144; i >= 100; --i)
            h.s.KeywordList.push_back("k&" + std::to_string(i));
        h.Main()->BuildPopupKeys();
        const QList<QAction*> top = h.PopupKeys()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top.back()->text(), u"k&&140-k&&144"_s);
    }

    // What the list shows on screen (the window's backing store, not a fresh
    // rendering) follows a keystroke's write-back, for the first line, which
    // sets the height of all, and for any other.
    void listLineOnScreenFollowsAnEdit()
    {
        Started h;
        h.SetLibrary({Item("article", "a0", {{"title", "T0"}}), Item("article", "a1", {{"title", "T1"}})});
        TFormMain* m = h.Main();
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        for (int line : {1, 0}) {
            h.Select(line);
            const QRect r =
                h.Items()->visualRect(h.Model()->index(line)).translated(h.Items()->viewport()->mapTo(m, QPoint()));
            auto onScreen = [&] {
                QTest::qWait(20); // a layout first, then the repaint it asks for
                return m->screen()->grabWindow(m->winId(), r.x(), r.y(), r.width(), r.height()).toImage();
            };
            const QImage before = onScreen();
            h.Editor(2)->setPlainText(u"Changed"_s);
            QVERIFY2(onScreen() != before, qPrintable(QString::number(line)));
        }
    }

    void notesMemoTransparentModeAndNotesFollowingTheReference()
    {
        Started h(Overrides{{"displaynotes", "2"}});
        h.Main()->show();
        h.SetLibrary({Item("misc", "a"), Item("misc", "b")});
        h.s.NotesList = {"A", "note of a"};
        TFormNotes* n = h.Notes();
        auto* memo = Find<QPlainTextEdit>(n, "NotesMemo");
        h.Select(0); // shown when the note (found ignoring case) is not empty
        QCOMPARE(h.Shown() + u' ' + memo->toPlainText(), u"Main Display Notes note of a"_s);
        h.Select(1);
        QCOMPARE(h.Shown(), u"Main Display"_s);
        // Typed, the note is filed under the item shown; line breaks become blanks.
        QTest::keyClicks(memo, u"x"_s);
        QCOMPARE(Notes(h), u"A|note of a|b|x|"_s);
        QTest::keyClick(memo, Qt::Key_Return);
        QCOMPARE(h.s.NotesList[3], "x "s);
        memo->setPlainText(u"abc\r\ndef"_s);
        QCOMPARE(memo->toPlainText(), u"abc def"_s);

        // T: main window and notes hidden, the editor at 125/255; Ctrl+T back,
        // typed in any window of the program.
        h.Select(0);
        TFormDisplay* d = h.Display();
        auto* transparent = Find<QPushButton>(d, "MakeTransparent");
        for (QWidget* window : std::initializer_list<QWidget*>{d, n, h.Log()}) {
            transparent->click();
            QCOMPARE(h.Shown(), u"Display"_s);
            QCOMPARE(qRound(d->windowOpacity() * 255), 125);
            QVERIFY(ShowActive(window)); // shortcuts need an active window
            QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier);
            QVERIFY2(h.Shown().startsWith(u"Main Display Notes"_s), qPrintable(window->objectName()));
            QCOMPARE(d->windowOpacity(), 1.0);
        }
        h.Log()->hide();
        // The editor closed while the main window is hidden brings it back;
        // then Ctrl+T would leave no window at all: it does nothing.
        transparent->click();
        d->close();
        QCOMPARE(d->windowOpacity(), 1.0);
        QTest::keyClick(h.Main(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(h.Shown(), u"Main Notes"_s);

        // References that differ in letter case share one note: once the
        // reference is edited onto another item's, the memo must show that
        // note, or the next keystroke overwrites it with the old memo text.
        h.SetLibrary({Item("misc", "a"), Item("misc", "b")});
        h.s.NotesList = {"a", "note of a"};
        h.Select(1);
        h.Editor(0)->setPlainText(u"A"_s);
        QCOMPARE(memo->toPlainText(), u"note of a"_s);
        memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(memo, u"!"_s);
        QCOMPARE(Notes(h), u"a|note of a!|"_s);
        // A rename that carries the item's own note keeps the memo as it is.
        h.Select(0);
        h.Editor(0)->setPlainText(u"c"_s);
        QCOMPARE(Notes(h) + memo->toPlainText(), u"c|note of a!|note of a!"_s);
    }

    // A Windows-1252 library never gets a "?" for a character it cannot hold:
    // the value keeps its text and an error message names the character.
    // (What an import makes of such characters is the commands' rule.)
    void charactersTheLibrarysEncodingCannotHoldAreRefused()
    {
        Started h;
        h.SetLibrary({Item("misc", "m", {{"title", "Caf\xe9"}})});
        h.s.Bib.Utf8 = false;
        h.Main()->RefreshList(false);
        h.Select(0);
        QPlainTextEdit* title = h.Editor(2);
        QCOMPARE(title->toPlainText(), QString::fromUtf8("Caf\xc3\xa9"));
        const QString lodz = QString::fromUtf8(" \xc5\x81\xc3\xb3" "d\xc5\xba \xce\xb1");
        title->moveCursor(QTextCursor::End);
        title->insertPlainText(lodz); // pasted whole: refused whole
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "title"), "Caf\xe9"s);
        QVERIFY(h.Status().contains(u"U+0141"_s)); // the character is named
        QCOMPARE(title->toPlainText(), QString::fromUtf8("Caf\xc3\xa9"));
        for (const QChar c : lodz) // typed: what the code page holds goes in
            QTest::sendKeyEvent(QTest::Click, title, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(GetFieldValue(h.s.Bib.Library[0], "title"), "Caf\xe9 \xf3" "d "s);

        // The note and the custom field dialog.
        auto* memo = Find<QPlainTextEdit>(h.Notes(), "NotesMemo");
        memo->setPlainText(QString::fromUtf8("\xce\xb1"));
        QCOMPARE(memo->toPlainText() + QString::number(h.s.NotesList.size()), u"0"_s);
        TFormCustom* c = h.Custom();
        h.Action("newField")->trigger();
        Find<QLineEdit>(c, "Fieldname")->setText(u"x"_s);
        Find<QLineEdit>(c, "Fieldvalue")->setText(QString::fromUtf8("\xe2\x82\xac \xce\xb1"));
        Click(c, "OK"); // stays up to be mended
        QCOMPARE(h.Shown() + QString::number(h.s.Bib.Library[0].FindField("x")), u"Display- Custom-1"_s);
        Click(c, "Cancel");
    }
};

QTEST_MAIN(EditingTest)
#include "editing_test.moc"
