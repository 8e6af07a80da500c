// The import, export and help commands of the main window.
#include "commands/bibimport.h"
#include "commands/import.h"
#include "core/fileio.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"
#include "exchange/template.h"
#include "ui/formabout.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"
#include "ui/formprint.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QTimer>

namespace lorix {

void TFormMain::mnuImportfCClick()
{
    Clipboard& clip = m_ctx.platform.clipboard;
    if (!clip.hasText()) {
        m_ctx.s.Error("No text found in clipboard.");
        return;
    }
    ListState state = ListNow();
    Outcome out;
    if (Perform(out, [&](Outcome& o) {
            return command::ImportMedline(m_ctx.s, state, clip.text().toStdString(), o);
        }))
        FinishImport(out.Show);
}

void TFormMain::FinishImport(int itemIndex)
{
    if (!SelectItem(itemIndex))
        Items->clearSelection();
    m_ctx.w.Display->ShowItem(itemIndex);
    m_ctx.w.Display->show();
    Items->setFocus();
}

namespace {

// The busy cursor while a request waits for its answer.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void TFormMain::fromPubMed1Click()
{
    Session& s = m_ctx.s;
    Clipboard& clip = m_ctx.platform.clipboard;
    std::string id;
    if (clip.hasText()) {
        // Whatever else is on the clipboard is passed over silently.
        if (!ClipboardPubmedId(m_ctx.Bytes(clip.text()), id))
            return;
    } else {
        const std::optional<QString> typed =
            m_ctx.dialogs().askText(this, QStringLiteral("Import paper directly from PubMed"),
                                    QStringLiteral("Enter PubMed ID"), QString());
        id = m_ctx.Bytes(typed.value_or(QString()));
    }
    ListState state = ListNow();
    Outcome out;
    bool added = false;
    {
        BusyCursor busy;
        // A failed request throws: its text goes to the error box and
        // nothing else happens.
        added = Perform(out, [&](Outcome& o) { return command::Fetch(s, state, *Brause, id, o); });
    }
    if (added)
        FinishImport(out.Show);
}

void TFormMain::fromDoi1Click()
{
    Clipboard& clip = m_ctx.platform.clipboard;
    WorkId id = clip.hasText() ? RecognizeWorkId(clip.text().toStdString()) : WorkId();
    if (!id) {
        const std::optional<QString> typed = m_ctx.dialogs().askText(
            this, QStringLiteral("Import from DOI or arXiv"), QStringLiteral("Enter DOI or arXiv ID"), QString());
        if (!typed || typed->trimmed().isEmpty())
            return;
        id = RecognizeWorkId(typed->toStdString());
        if (!id) {
            m_ctx.s.Error("Not a DOI or arXiv identifier: " + m_ctx.Bytes(typed->trimmed()));
            return;
        }
    }
    ListState state = ListNow();
    Outcome out;
    bool added = false;
    {
        BusyCursor busy;
        added = Perform(out, [&](Outcome& o) { return command::FetchDoi(m_ctx.s, state, *Brause, id, o); });
    }
    if (added)
        FinishImport(out.Show);
    UpdateUndoActions();
}

void TFormMain::watchClipClick()
{
    // The entry is checkable: the click has already moved its mark.
    if (watchClip->isChecked()) {
        Uhr->start();
        SavedSortKey = SortKey().toStdString();
        CheckSortEntry(kNone);
        Clipboard& clip = m_ctx.platform.clipboard;
        LastClipText = clip.hasText() ? clip.text() : QString();
    } else {
        Uhr->stop();
        if (SavedSortKey != kNone)
            CheckSortEntry(SavedSortKey);
    }
}

void TFormMain::UhrTimer()
{
    Clipboard& clip = m_ctx.platform.clipboard;
    if (!clip.hasText() || clip.text() == LastClipText)
        return;
    Uhr->stop();
    // A failed fetch has shown its error box; the watch then stays halted
    // (mark set, timer stopped) until it is switched off and on again.
    if (!Run([this] { fromPubMed1Click(); }))
        return;
    LastClipText = clip.hasText() ? clip.text() : QString();
    if (watchClip->isChecked())
        Uhr->start();
}

void TFormMain::mnuHTMLClick()
{
    m_ctx.w.Print->OpenDialog();
}

void TFormMain::ExpToClipClick()
{
    const int i = SelectedItem();
    if (i < 0)
        return;
    const Bibitem& item = m_ctx.s.Bib.Library[static_cast<size_t>(i)];
    const std::string templ = m_ctx.s.Settings.Read(key::Format(item.ItemType));
    // Rendered in full before the clipboard is touched: a faulty template
    // throws and leaves the clipboard as it was.
    const std::string text = RenderTemplate(item, templ, m_ctx.s.schema.FieldNames);
    m_ctx.platform.clipboard.setText(m_ctx.Text(text));
}

void TFormMain::Contents1Click()
{
    OpenWithDesktop(m_ctx, JoinPath(m_ctx.s.ProgramDir, "manual/lorix.html"));
}

void TFormMain::mnuAboutClick()
{
    m_ctx.w.About->ShowAbout();
}

} // namespace lorix
