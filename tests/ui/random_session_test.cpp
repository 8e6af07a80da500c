// A long seeded random session against the whole program: keys in the list
// and the Navigator, menu commands, edits in the item editor and the notes
// window, type changes, adds, deletes, saves and loads, with
// unsaved changes answered at random, the library's file written meanwhile by
// another program, and Ctrl+T typed in any window. After every step the list,
// the model and the item editor must agree, a window to work in is shown, and
// no field has changed that the step did not type into; a file written by
// another program is never overwritten without a Yes, and what a save writes
// reads back as the library in memory.
// Undo and Redo are steps too; at the end every step since the last load is
// undone, which must give back the library as loaded, and redone again, which
// must give back the edited one.
// Replay a failure with LORIX_SEED=n (and LORIX_STEPS=m to stop early).
#include "core/fileio.h"
#include "core/library.h"
#include "core/reader.h"
#include "support/readback.h"
#include "ui/librarywatch.h"
#include "uitest.h"
#include "view/itemrows.h"
#include "view/listview.h"

#include <filesystem>
#include <optional>
#include <random>
#include <set>

using namespace lorix;
using namespace lorix::test;

namespace {

// What a step may not change unless it typed into it: "item|reference=..."
// and "item|name=value" of every field, sorted (removing a field reorders them).
using Shape = std::vector<std::string>;
Shape Snapshot(const TBib& bib)
{
    Shape out;
    for (size_t i = 0; i < bib.Library.size(); ++i) {
        out.push_back(std::to_string(i) + "|reference=" + bib.Library[i].Reference);
        for (const Bibfield& field : bib.Library[i].Fields)
            out.push_back(std::to_string(i) + "|" + field.Name + "=" + field.Value);
    }
    std::sort(out.begin(), out.end());
    return out;
}

class RandomUser {
  public:
    RandomUser(unsigned long long seed, Harness& h) : g(seed ^ 0x9e3779b97f4a7c15ULL), seed(seed), h(h) {}

    void Run(long steps)
    {
        // A guarded step changes no reference and no field, except the one
        // it typed into (m_typed).
        struct Action { const char* name; int weight; bool guarded; std::function<void()> run; };
        const Action actions[] = {
            {"list move", 23, true, [this] { QTest::keyClick(m_items, Pick({Qt::Key_Up, Qt::Key_Down, Qt::Key_Home,
                                                                            Qt::Key_End, Qt::Key_PageDown})); }},
            {"list letter", 19, false, [this] { Letter("ajprtyfdnekbzsvlo"[Below(17)]); }},
            {"navigator", 24, true, [this] { Navigator(); }},
            {"click line", 24, true, [this] { ClickLine(); }},
            {"edit field", 66, true, [this] { EditField(); }},
            {"retype custom field", 14, true, [this] { RetypeCustomField(); }},
            {"edit note", 18, true, [this] { EditorLive() ? Edit(m_memo, Text(10), true) : ClickLine(); }},
            {"item type", 12, true, [this] { EditorLive() ? Choose(m_itemtype) : void(); }},
            {"command", 47, false, [this] { Menu(Pick({"byTitle", "byName", "byYear", "byJournal", "byType", "byRef",
                                                       "Filter1", "AddItem", "AddItem", "mnuDeleteItem", "mnuDeleteItem"})); }},
            {"custom field", 15, true, [this] { CustomField(); }},
            {"save", 18, false, [this] { Letter('s'), CheckWritten(); }},
            {"save as", 6, false, [this] {
                 h.dialogs.files.push_back(QString::fromLatin1(Chance(50) ? "saved%1" : "saved%1.bib").arg(Below(4)));
                 Menu("mnuSaveAs"), CheckWritten();
             }},
            {"load", 10, false, [this] { Letter('l'); }},
            {"rare command", 8, false, [this] { Menu(Pick({"LastFile", "LastFile", "NewLibrary1", "NewLibrary1",
                                                            "CheckConsitency1", "ViewLog1", "ShowNotesWindow1", "mnuAbout"})); }},
            {"T button", 1, true, [this] { Click(h.Display(), "MakeTransparent"); }},
            {"ctrl+T", 4, true, [this] { CtrlT(); }},
            {"another program", 3, true, [this] { WriteFromOutside(); }},
            {"reload", 2, false, [this] { h.Widget("Notice")->isVisible() ? Click(h.Main(), "NoticeReload") : void(); }},
            {"undo", 14, false, [this] { Undo(false); }},
            {"redo", 6, false, [this] { Undo(true); }},
        };
        // The weights by index: the distribution asks for the k-th at k + 0.5.
        std::discrete_distribution<int> pickAction(std::size(actions), 0, std::size(actions),
                                                   [&](double k) { return actions[size_t(k)].weight; });
        h.Main()->show();
        QObject::connect(m_lines, &QAbstractItemModel::modelReset, [this] { m_staleLine.clear(); });
        m_loaded = Image();
        for (step = 0; step < steps; ++step) {
            // Whatever the step asks is answered at random; a file name only
            // by the actions that expect one.
            h.dialogs = ScriptedDialogs();
            h.dialogs.texts = {Chance(70) ? Text(6) : QString()};
            h.dialogs.yesNo = {Chance(65)};
            h.dialogs.yesNoCancel = {Pick({Answer::Yes, Answer::No, Answer::Cancel})};
            const Action* a = &actions[pickAction(g)];
            lastAction = a->name;
            const Shape before = Snapshot(S().Bib);
            m_typed.reset();
            a->run();
            Settle();
            Check();
            if (a->guarded)
                CheckUntyped(before);
            CheckOutsideWrite();
            if (!S().History.CanUndo() && !S().History.CanRedo())
                m_loaded = Image(); // loaded, or nothing changed since
        }
        UndoEverything();
    }

  private:
    // A failed check ends the session with what a replay needs.
    void Expect(bool ok, const std::string& what) const
    {
        if (!ok)
            throw std::runtime_error("seed " + std::to_string(seed) + ", step " + std::to_string(step) + " (" +
                                     lastAction + "): " + what + "\nreplay: LORIX_SEED=" + std::to_string(seed) +
                                     " LORIX_STEPS=" + std::to_string(step + 1));
    }
    int Below(int n) { return n <= 0 ? 0 : static_cast<int>(g() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T> T Pick(std::initializer_list<T> from) { return from.begin()[Below(int(from.size()))]; }
    void Choose(QComboBox* box) { box->setCurrentIndex(Below(box->count())); }
    void Menu(const char* entry) { h.Action(entry)->trigger(); }
    Session& S() { return h.s; }
    FormContext& Ctx() { return h.Main()->Context(); }

    // Random text; a field value may also hold the characters that mean
    // something in the file (a reference never does: the editor takes it as typed).
    QString Text(int maxLen, bool value = false)
    {
        static const QString safe = QString::fromUtf8(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-:'\xc3\xa9\xc3\xa9"),
                             special = QStringLiteral("{}\"@%#,=\\~");
        QString t;
        for (int i = 1 + Below(maxLen); i > 0; --i)
            t += value && Chance(4) ? special[Below(special.size())] : safe[Below(safe.size())];
        return t;
    }

    // Keys typed into the item editor go where its focus is, as a user's do,
    // also after the rows moved under them. QTest types ASCII only; other
    // characters come as the text of a key without a key code, as an input
    // method delivers them.
    QWidget* KeyTarget(QWidget* w)
    {
        return w->window() == h.Display() && h.Display()->focusWidget() ? h.Display()->focusWidget() : w;
    }
    void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mod = {}) { QTest::keyClick(KeyTarget(w), key, mod); }
    void Type(QWidget* w, const QString& text)
    {
        for (const QChar ch : text)
            if (ch.unicode() < 128)
                QTest::keyClick(KeyTarget(w), char(ch.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, KeyTarget(w), Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    // A single-letter command of the list; saving and loading want a file:
    // one saved by the session, the one it started on, or none there.
    void Letter(char c)
    {
        static const QStringList loads = QStringLiteral("lib missing unnamed saved0 saved1 saved2 saved3").split(u' ');
        if (c == 'l')
            h.dialogs.files.push_back(Chance(5) ? QString() : loads[Below(int(loads.size()))] + QStringLiteral(".bib"));
        if (c == 's' && S().Settings.Read(key::Filename) == kNone)
            h.dialogs.files.push_back(QStringLiteral("unnamed"));
        QTest::keyClick(m_items, c);
    }

    void Navigator()
    {
        if (Chance(20))
            return QTest::keyClick(m_nav, Qt::Key_Backspace);
        m_nav->clear();
        const auto& lib = S().Bib.Library;
        if (Chance(70))
            Type(m_nav, lib.empty() || Chance(30)
                            ? Text(3)
                            : QString::fromStdString(lib[Below(int(lib.size()))].Reference.substr(0, 1 + Below(6))));
        if (Chance(20))
            QTest::mouseDClick(m_nav, Qt::LeftButton);
    }

    void ClickLine()
    {
        if (const int rows = m_lines->rowCount()) {
            const QModelIndex i = m_lines->index(Below(rows));
            m_items->scrollTo(i);
            QTest::mouseClick(m_items->viewport(), Qt::LeftButton, {}, m_items->visualRect(i).center());
        }
    }

    bool EditorLive() { return h.Display()->isVisible() && h.Display()->isEnabled() && h.Main()->SelectedItem() >= 0; }

    // Typing at either end, a line break, backspaces or emptying, in a row of
    // the item editor or in the notes memo; a reference holds no line break.
    void Edit(QPlainTextEdit* ed, const QString& typed, bool lines)
    {
        ed->setFocus();
        ed->moveCursor(Chance(50) ? QTextCursor::End : QTextCursor::Start);
        if (Chance(60))
            return Type(ed, typed);
        ed->moveCursor(QTextCursor::End);
        if (lines && Chance(25))
            Key(ed, Qt::Key_Return);
        else if (Chance(75))
            for (int i = 1 + Below(8); i > 0; --i)
                Key(ed, Qt::Key_Backspace);
        else
            ed->setPlainText(QString());
    }

    void Typing(int r) { m_typed = {h.Main()->SelectedItem(), Ctx().Bytes(h.Label(r)->text())}; }

    void EditField()
    {
        if (!EditorLive())
            return ClickLine();
        const int r = Chance(10) ? 0 : Below(h.Display()->UsedRows());
        Typing(r);
        Edit(h.Editor(r), r ? Text(12, true) : Text(4), r > 0);
    }

    // A custom field emptied and typed again at once: the rows after it move
    // meanwhile, the typed text must still land in it.
    void RetypeCustomField()
    {
        int r = EditorLive() ? h.Display()->UsedRows() - 1 : 0;
        while (r > 0 && (h.Label(r)->toolTip() != QLatin1String("Custom field.") || Chance(40)))
            --r;
        if (r <= 0)
            return EditField();
        Typing(r);
        h.Editor(r)->setFocus();
        Key(h.Editor(r), Qt::Key_A, Qt::ControlModifier);
        Key(h.Editor(r), Qt::Key_Backspace);
        const QString typed = QStringLiteral("x") + Text(6);
        Type(h.Editor(r), typed);
        const std::string& now = GetFieldValue(S().Bib.Library[m_typed->first], m_typed->second);
        Expect(now == Ctx().Bytes(typed), "retyped " + m_typed->second + " holds " + now);
    }

    // Ctrl+T typed in any window that is shown.
    void CtrlT()
    {
        QWidgetList shown = h.Windows();
        shown.removeIf([](const QWidget* w) { return !w->isVisible(); });
        if (QWidget* window = shown.value(Below(int(shown.size())))) {
            (void)ShowActive(window); // shortcuts need an active window
            QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier);
        }
    }

    // Another program writes the library's file: in place or by a rename.
    void WriteFromOutside()
    {
        const std::string path = S().Settings.Read(key::Filename);
        if (!FileExists(path))
            return;
        const std::string bytes = ReadWholeFile(path) + "@misc{outside" + std::to_string(step) +
                                  ",\r\n  note = {written by another program}\r\n  }\r\n";
        const std::string written = Chance(50) ? path : path + ".other";
        WriteFile(written, bytes);
        if (written != path)
            std::filesystem::rename(written, path);
        m_outside = {path, bytes};
    }

    // By its menu entries (Z, a list letter, opens it too).
    void CustomField()
    {
        Menu(Pick({"newField", "AddFolderlocation1", "AddKeywords1"}));
        if (!h.Custom()->isVisible())
            return;
        if (Chance(50) || m_fieldName->text().isEmpty())
            m_fieldName->setText(
                QString::fromLatin1(Pick({"doi", "folder", "key", "note", "Note", "url", "isbn", "title", "x"})));
        m_fieldValue->setText(Chance(10) ? QString() : Text(10, true));
        m_staleLine.insert(h.Main()->SelectedItem()); // its list line is rewritten at the next refresh
        m_typed = {h.Main()->SelectedItem(), FieldNameText(Ctx().Bytes(m_fieldName->text()))};
        Click(h.Custom(), Chance(80) ? "OK" : "Cancel");
    }

    // Undo or Redo from the menu, whose entry is greyed out exactly when
    // there is no step, and names the step it takes.
    void Undo(bool redo)
    {
        QAction* entry = h.Action(redo ? "mnuRedo" : "mnuUndo");
        h.Main()->UpdateUndoActions(); // as opening the menu does
        const std::string name = redo ? S().History.RedoName() : S().History.UndoName();
        Expect(entry->isEnabled() == !name.empty(), "the entry is not greyed out exactly when there is no step");
        Expect(entry->text().toStdString() == (redo ? "Redo" : "Undo") + (name.empty() ? "" : " " + name),
               "the entry's caption " + entry->text().toStdString() + " does not name the step " + name);
        entry->trigger();
    }

    // The library as a save writes it, and its notes.
    std::string Image()
    {
        return FormatLibrary(S().Bib, WriteOptions{}) + "\nnotes:" + JoinLines(S().NotesList, "\n");
    }

    void UndoEverything()
    {
        step = -1;
        lastAction = "undo everything";
        h.dialogs = ScriptedDialogs();
        const std::string edited = Image();
        int steps = 0;
        for (; S().History.CanUndo() && steps <= int(UndoHistory::kMaxSteps); ++steps)
            Undo(false), Check();
        Expect(Image() == m_loaded, "undoing all " + std::to_string(steps) + " steps does not give the library as loaded");
        for (int k = 0; S().History.CanRedo() && k < steps; ++k)
            Undo(true), Check();
        Expect(Image() == edited, "redoing all " + std::to_string(steps) + " steps does not give the edited library");
    }

    // Answers what a step left open, as the user would before going on.
    void Settle()
    {
        if (h.Custom()->isVisible())
            Click(h.Custom(), Chance(50) ? "OK" : "Cancel");
        if (h.Options()->isVisible())
            Click(h.Options(), "Dismiss");
        if (!h.Main()->isVisible() && Chance(50))
            Menu("HideWindow1");
        if (h.Log()->isVisible() && Chance(30))
            h.Log()->hide();
        if (h.About()->isVisible())
            Click(h.About(), "OK");
    }

    // Nothing but the field the step typed into has changed.
    void CheckUntyped(Shape before)
    {
        Shape after = Snapshot(S().Bib);
        const std::string typed = m_typed ? std::to_string(m_typed->first) + "|" + m_typed->second + "=" : "-";
        for (Shape* shape : {&before, &after})
            std::erase_if(*shape, [&typed](const std::string& x) { return x.starts_with(typed); });
        Expect(after == before, "an item changed where the step did not type" +
                                    (m_typed ? " (it typed into " + m_typed->second + ")" : std::string()));
    }

    // A save's file reads back without a problem as the library in memory
    // (braces that do not balance repaired, names in lower case, line breaks
    // and runs of blanks in values as one blank), the values typed into the
    // windows included; its notes file holds the notes.
    void CheckWritten()
    {
        const auto& asked = h.dialogs.answered;
        if (!h.dialogs.errors.isEmpty() || S().LibraryChanged ||
            std::any_of(asked.begin(), asked.end(), [](const auto& q) { return !q.second; }))
            return; // reported by Check, or nothing was written
        TBib want = S().Bib;
        for (Bibitem& it : want.Library)
            for (Bibfield& f : it.Fields) {
                BalanceField(f);
                f.Name = LowerAscii(f.Name);
                f.Value = f.Bare ? f.Value : FoldValue(f.Value);
            }
        const std::string path = S().Settings.Read(key::Filename);
        const Read back = ReadText(ReadWholeFile(path));
        for (const std::string& problem : back.errors)
            Expect(false, "the saved file reads with a problem: " + problem);
        const std::string got = Dump(back.bib), wanted = Dump(want);
        Expect(got == wanted, "the saved file reads back as\n" + got + "\nnot\n" + wanted);
        Expect(SplitLines(ReadWholeFile(NotesFileName(path))) == S().NotesList, "the notes file is not the notes");
    }

    // A file written by another program stays whole until a save was
    // answered Yes, or the program took the file as it is (a load).
    void CheckOutsideWrite()
    {
        if (!m_outside)
            return;
        const auto& [path, bytes] = *m_outside;
        if (!FileExists(path) || ReadWholeFile(path) != bytes) {
            const auto& asked = h.dialogs.answered;
            Expect(std::any_of(asked.begin(), asked.end(),
                               [](const auto& q) { return q.second && q.first.endsWith(u"loaded. Overwrite it?"); }),
                   "the file another program wrote was overwritten without a Yes");
            m_outside.reset();
        } else if (!SameFilePath(S().Settings.Read(key::Filename), path) ||
                   !Find<LibraryWatch>(h.Main(), "Watch")->ChangedSinceTaken(path)) {
            m_outside.reset(); // no longer the library's file, or loaded again as it is
        }
    }

    void Check()
    {
        const QStringList boxes = h.dialogs.errors + h.dialogs.fatals;
        Expect(boxes.isEmpty(), "message box: " + boxes.value(0).toStdString());
        Expect(h.Main()->isVisible() || h.Display()->isVisible(), "neither the main window nor the item editor is shown");
        const auto& shown = S().ShownItems;
        Expect(m_lines->rowCount() == int(shown.size()), "the list is not as long as ShownItems");
        const QModelIndexList sel = m_items->selectionModel()->selectedRows();
        const int line = h.Main()->SelectedLine();
        Expect(line < int(shown.size()) && sel.size() <= 1 && (sel.isEmpty() || line == sel.first().row()),
               "the selection is not the one line SelectedLine names");
        const int item = line < 0 ? -1 : shown[line];
        Expect(item < 0 || m_staleLine.count(item) || m_lines->Line(line) == BuildListLine(S(), item),
               "line " + std::to_string(line) + " is not the line of its item");
        if (!h.Display()->isVisible())
            return;
        Expect(item >= 0, "the item editor is shown with no line selected");
        const Bibitem& b = S().Bib.Library[item];
        QString shownRows = m_itemtype->currentText(), itemRows = shownRows;
        for (int r = 0; r < h.Display()->UsedRows(); ++r) {
            shownRows += QLatin1Char('|') + h.Editor(r)->toPlainText();
            itemRows += QLatin1Char('|') + Ctx().Text(r ? GetFieldValue(b, Ctx().Bytes(h.Label(r)->text())) : b.Reference);
        }
        Expect(shownRows == itemRows && m_itemtype->currentIndex() == ShownTypeIndex(S().schema, b.ItemType),
               "the item editor shows " + shownRows.toStdString() + " for " + itemRows.toStdString());
        Expect(h.Notes()->Key() == b.Reference, "the notes window files under " + h.Notes()->Key() + ", not " + b.Reference);
        // Renaming a reference onto one that has a note already leaves two
        // entries under one key; until the item is shown again its memo may
        // hold either of them.
        int entries = 0;
        for (size_t k = 0; k < S().NotesList.size(); k += 2)
            entries += EqualsNoCase(S().NotesList[k], b.Reference);
        const std::pair<int, std::string> here{item, LowerAscii(b.Reference)};
        m_twoNotes = entries > 1 || m_twoNotes == here ? here : std::pair<int, std::string>{-1, {}};
        Expect(m_twoNotes.first >= 0 || m_memo->toPlainText() == Ctx().Text(GetNote(S().NotesList, b.Reference)),
               "the notes window does not show the note of " + b.Reference);
    }

    std::mt19937_64 g;
    const unsigned long long seed;
    long step = 0;
    const char* lastAction = "";
    Harness& h;
    // The controls of every step, found once.
    QListView* m_items = h.Items();
    QLineEdit* m_nav = h.Navigator();
    const ItemListModel* m_lines = h.Model();
    QComboBox* m_itemtype = Find<QComboBox>(h.Display(), "Itemtype");
    QPlainTextEdit* m_memo = Find<QPlainTextEdit>(h.Notes(), "NotesMemo");
    QLineEdit* m_fieldName = Find<QLineEdit>(h.Custom(), "Fieldname");
    QLineEdit* m_fieldValue = Find<QLineEdit>(h.Custom(), "Fieldvalue");
    std::optional<std::pair<int, std::string>> m_typed;           // item and field name typed into
    std::optional<std::pair<std::string, std::string>> m_outside; // file and bytes another program wrote
    std::set<int> m_staleLine; // items whose list line may lag behind a custom field
    std::pair<int, std::string> m_twoNotes{-1, {}};
    std::string m_loaded; // the library as loaded: what undoing every step gives
};

} // namespace

class RandomSessionTest : public QObject {
    Q_OBJECT
  private slots:
    // The offscreen platform's notes about what it cannot do are no findings.
    void initTestCase()
    {
        static QtMessageHandler next = nullptr;
        next = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& msg) {
            if (!msg.startsWith(u"This plugin does not support") && !msg.startsWith(u"Keyboard event not accepted"))
                next(type, context, msg);
        });
    }
    // The session; then the program's windows go with it, and every control
    // with its window. (A leaked top-level widget stays listed by the
    // application, so the leak check's sanitizer would not see it.)
    void randomSessionAndNoWidgetOutlivesTheProgram()
    {
        const auto seed = qEnvironmentVariableIsSet("LORIX_SEED") ? qgetenv("LORIX_SEED").toULongLong() : 20261207;
        const long steps = qEnvironmentVariableIsSet("LORIX_STEPS") ? qgetenv("LORIX_STEPS").toLong() : 20000;
        {
            Harness h(Overrides{{"filename", "lib.bib"}, {"displaynotes", std::to_string(seed % 3)}});
            // A real library (string macros, comments, bare values, long
            // fields), or without the corpus the delivered sample.
            WriteFile(h.dir.file("lib.bib"), ReadFile(CorpusMissing().empty()
                                                          ? CorpusFile("bib/biblatex-examples.bib")
                                                          : std::string(LORIX_SOURCE_DIR) + "/data/sample.bib"));
            QVERIFY(h.Start());
            QVERIFY(h.s.Bib.Library.size() > 30);
            try {
                RandomUser(seed, h).Run(steps);
            } catch (const std::exception& e) {
                QFAIL(e.what());
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QApplication::allWidgets().size(), 0);
    }
};

QTEST_MAIN(RandomSessionTest)
#include "random_session_test.moc"
