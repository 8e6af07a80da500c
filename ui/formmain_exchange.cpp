// The import, export and help commands of the main window.
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

namespace {

// Prepared import text (UTF-8) in the library's encoding. A Windows-1252
// library takes what the import keeps of it converted; one character there
// that the code page lacks refuses the whole import. What the import does
// not keep never reaches the library and may hold anything.
std::optional<std::string> ImportBytes(FormContext& ctx, const std::string& prepared)
{
    if (ctx.s.Bib.Utf8)
        return prepared;
    const MedlineRecord r = ReadMedlineRecord(prepared);
    if (r.Outcome == MedlineOutcome::Added) {
        std::vector<const std::string*> kept{&r.Item.Reference, &r.Abstract};
        for (const Bibfield& f : r.Item.Fields)
            kept.push_back(&f.Value);
        char32_t bad = 0;
        for (const std::string* text : kept)
            if (!FromUtf8Exactly(*text, false, bad)) {
                ctx.s.Error(UnencodableMessage(bad, "not importing."));
                return std::nullopt;
            }
    }
    return EncodeText(QString::fromUtf8(prepared.data(), static_cast<qsizetype>(prepared.size())), false);
}

} // namespace

void TFormMain::mnuImportfCClick()
{
    Clipboard& clip = m_ctx.platform.clipboard;
    if (!clip.hasText()) {
        m_ctx.s.Error("No text found in clipboard.");
        return;
    }
    const std::optional<std::string> text = ImportBytes(m_ctx, PrepareImportText(clip.text().toStdString()));
    if (!text)
        return;
    const int n = m_ctx.s.Bib.LastItemIndex();
    ParseMedline(*text);
    if (m_ctx.s.Bib.LastItemIndex() != n)
        FinishImport(nullptr);
}

void TFormMain::ParseMedline(const std::string& prepared)
{
    if (!ImportMedline(m_ctx.s, prepared))
        return;
    if (Filter1->isChecked()) {
        Filter1->setChecked(false);
        Filter1Click();
    } else {
        RefreshList(true);
    }
}

void TFormMain::FinishImport(const std::string* pubmedId)
{
    Session& s = m_ctx.s;
    const int last = s.Bib.LastItemIndex();
    if (pubmedId)
        s.Bib.Library.back().Fields.push_back({"pubmed_id", *pubmedId});
    if (!SelectItem(last))
        Items->clearSelection();
    m_ctx.w.Display->ShowItem(last);
    m_ctx.w.Display->show();
    SetHeading();
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
    std::string body;
    {
        BusyCursor busy;
        // A failed request throws: its text goes to the error box and
        // nothing else happens.
        body = FetchPubmedRecord(*Brause, s.Settings, PubmedUrl(s.Settings, id));
    }
    const std::optional<std::string> text = ImportBytes(m_ctx, PrepareImportText(body));
    if (!text)
        return;
    const int n = s.Bib.LastItemIndex();
    ParseMedline(*text);
    if (s.Bib.LastItemIndex() != n)
        FinishImport(&id);
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
