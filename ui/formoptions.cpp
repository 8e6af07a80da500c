#include "ui/formoptions.h"

#include "exchange/template.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace lorix {

namespace {

const QString kLineOff = QStringLiteral("line off");

template <class W> W* Place(W* w, const char* name, int x, int y, int width, int height = 22)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    return w;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, int x, int y, int width = 220)
{
    return Place(new QCheckBox(QString::fromLatin1(caption), parent), name, x, y, width);
}

QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int width)
{
    return Place(new QLineEdit(parent), name, x, y, width);
}

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items, bool editable, int x, int y,
                 int width)
{
    auto* c = Place(new QComboBox(parent), name, x, y, width);
    c->setEditable(editable);
    c->addItems(items);
    return c;
}

void Label(QWidget* parent, const char* text, int x, int y, int width = 200)
{
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    l->setGeometry(x, y, width, 20);
}

// The text of a combo box without emitting change signals.
void SetComboText(QComboBox* c, const QString& text)
{
    const QSignalBlocker block(c);
    const int i = c->findText(text);
    if (i >= 0)
        c->setCurrentIndex(i);
    if (c->isEditable()) {
        c->setEditText(text);
        // A narrow box shows the start of its text, not its end.
        c->lineEdit()->setCursorPosition(0);
    }
}

} // namespace

TFormOptions::TFormOptions(FormContext& ctx)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormOptions"));
    setWindowTitle(QStringLiteral("Lorix Options"));
    Options = Place(new QTabWidget(this), "Options", 8, 8, 444, 270);
    Options->addTab(BuildFilterTab(), QStringLiteral("&Filter"));
    Options->addTab(BuildLogTab(), QStringLiteral("&Log"));
    Options->addTab(BuildSaveTab(), QStringLiteral("&Save"));
    Options->addTab(BuildExitingTab(), QStringLiteral("E&xiting"));
    Options->addTab(BuildDisplayTab(), QStringLiteral("Display"));
    Options->addTab(BuildExportTab(), QStringLiteral("Export"));
    Dismiss = Place(new QPushButton(QStringLiteral("Dismiss"), this), "Dismiss", 370, 288, 80, 26);
    Dismiss->setToolTip(QStringLiteral("Press to close options window"));
    Dismiss->setDefault(true);
    Dismiss->setAutoDefault(true);
    connect(Dismiss, &QPushButton::clicked, this,
            [this] { RunCommand(m_ctx, this, [this] { DismissClick(); }); });
    // FormCanResize: the dialog keeps its size.
    setFixedSize(460, 322);
    CreateColumnSelectors();
    BindSettings();
}

QWidget* TFormOptions::BuildFilterTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("Filter"));
    Filtering = Check(tab, "Filtering", "Filter Data", 8, 8, 120);
    AndOrOr = Place(new QGroupBox(tab), "AndOrOr", 140, 2, 150, 44);
    AndOrOr->setToolTip(QStringLiteral("ALL: all lines must be true. ANY: one line must be true."));
    AndOrOrAll = Place(new QRadioButton(QStringLiteral("All"), AndOrOr), "AndOrOrAll", 8, 14, 60);
    AndOrOrAny = Place(new QRadioButton(QStringLiteral("Any"), AndOrOr), "AndOrOrAny", 76, 14, 60);
    AndOrOrAll->setChecked(true);
    Invert = Place(new QPushButton(QStringLiteral("Invert"), tab), "Invert", 320, 12, 80, 26);
    Invert->setToolTip(QStringLiteral("Invert the filtering rules"));
    connect(Invert, &QPushButton::clicked, this,
            [this] { RunCommand(m_ctx, this, [this] { InvertClick(); }); });
    const QStringList ops{QStringLiteral("contains"), QStringLiteral("equals"), QStringLiteral("less than"),
                          QStringLiteral("greater than")};
    for (int i = 0; i < 3; ++i) {
        const int y = 60 + 36 * i;
        const std::string n = std::to_string(i + 1);
        FilterField[i] = Combo(tab, ("Filter" + n + "Field").c_str(), {}, true, 8, y, 110);
        FilterField[i]->setToolTip(QStringLiteral("Select field for filtering rule or switch off line."));
        FilterOp[i] = Combo(tab, ("Filter" + n + "Op").c_str(), ops, true, 124, y, 100);
        FilterBound[i] = Edit(tab, ("FilterBound" + n).c_str(), 230, y, 140);
        FilterNot[i] = Check(tab, ("Filter" + n + "Not").c_str(), "not", 378, y, 50);
        QLineEdit* bound = FilterBound[i];
        connect(bound, &QWidget::customContextMenuRequested, this, [this, bound](const QPoint& pos) {
            bound->setFocus();
            m_ctx.w.Main->PopupKeywords(bound->mapToGlobal(pos));
        });
    }
    FilterField[0]->addItems({kLineOff, QStringLiteral("type"), QStringLiteral("reference")});
    return tab;
}

QWidget* TFormOptions::BuildLogTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("Status"));
    StatusDisplay = Check(tab, "StatusDisplay", "Display status messages", 8, 8);
    ErrorDisplay = Check(tab, "ErrorDisplay", "Display error messages", 8, 32);
    StatusLog = Check(tab, "StatusLog", "Log status messages", 8, 56);
    ErrorLog = Check(tab, "ErrorLog", "Log error messages", 8, 80);
    WriteToFile = Check(tab, "WriteToFile", "Write log to file", 8, 104);
    Label(tab, "Logfile name:", 8, 134, 130);
    Logfile = Edit(tab, "Logfile", 140, 134, 200);
    Label(tab, "Maximum Log Size", 8, 164, 130);
    MaxLogSize = Edit(tab, "MaxLogSize", 140, 164, 80);
    return tab;
}

QWidget* TFormOptions::BuildSaveTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet1"));
    LineBreak = Check(tab, "LineBreak", "Break lines if too long", 8, 8);
    Backup = Check(tab, "Backup", "Create Backup Copy", 8, 32);
    Sorting = Check(tab, "Sorting", "Save sorted if sorting is active", 8, 56);
    Label(tab, "Line Width", 240, 8, 80);
    LineWidth = Edit(tab, "LineWidth", 330, 8, 60);
    Label(tab, "Insert Width", 240, 36, 80);
    InsertWidth = Edit(tab, "InsertWidth", 330, 36, 60);
    Label(tab, "Data path", 8, 100, 80);
    DataPath = Edit(tab, "DataPath", 90, 100, 330);
    Label(tab, "PDF path", 8, 130, 80);
    PDFPath = Edit(tab, "PDFPath", 90, 130, 330);
    return tab;
}

QWidget* TFormOptions::BuildExitingTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("General"));
    SwitchFiltering = Check(tab, "SwitchFiltering", "Switch off filtering on exit", 8, 8);
    SwitchSorting = Check(tab, "SwitchSorting", "Switch off sorting on exit", 8, 32);
    AutoSave = Check(tab, "AutoSave", "Auto save on exit", 8, 56);
    SaveSize = Check(tab, "SaveSize", "Save window size", 8, 80);
    return tab;
}

QWidget* TFormOptions::BuildDisplayTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("Display"));
    DisplaySheet = tab;
    Label(tab, "Select fields to display in main window", 5, 12, 320);
    // The four column choosers are created last (CreateColumnSelectors).
    Truncate = Check(tab, "Truncate", "Truncate fields to", 5, 80, 140);
    CharLimit = Edit(tab, "CharLimit", 150, 80, 50);
    Label(tab, "max characters each.", 208, 80, 160);
    Label(tab, "Display notes window", 5, 124, 150);
    DispNotes = Combo(tab, "DispNotes",
                      {QStringLiteral("always"), QStringLiteral("never"), QStringLiteral("when not empty")},
                      false, 160, 124, 140);
    ShowAccents = Check(tab, "ShowAccents", "Show accents as letters", 5, 164, 300);
    ShowAccents->setToolTip(QStringLiteral("Show LaTeX accents and text commands in the main list as the "
                                           "characters they stand for. The library keeps them as written."));
    return tab;
}

QWidget* TFormOptions::BuildExportTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet2"));
    TypeSelect = Combo(tab, "TypeSelect", {}, false, 8, 8, 160);
    TypeSelect->setPlaceholderText(QStringLiteral("Select a reference type"));
    TypeFormat = Edit(tab, "TypeFormat", 8, 40, 420);
    TypeFormat->setToolTip(QStringLiteral(
        "01 address 02 author 03 booktitle 04 chapter 05 editor 06 howpublished 07 institution 08 journal "
        "09 note 10 number 11 month 12 organization 13 pages 14 publisher 15 school 16 series 17 title "
        "18 type 19 volume 20 year 21 edition"));
    FormatText = Place(new QPlainTextEdit(tab), "FormatText", 8, 72, 420, 150);
    FormatText->setReadOnly(true);
    FormatText->setFrameShape(QFrame::NoFrame);
    FormatText->setBackgroundRole(QPalette::Window);
    FormatText->viewport()->setAutoFillBackground(false);
    // Only the user's edits store a template; showing one does not.
    connect(TypeSelect, &QComboBox::currentIndexChanged, this,
            [this] { RunCommand(m_ctx, this, [this] { TypeSelectChange(); }); });
    connect(TypeFormat, &QLineEdit::textEdited, this,
            [this] { RunCommand(m_ctx, this, [this] { TypeFormatChange(); }); });
    return tab;
}

void TFormOptions::ShowPreview(const std::string& templ)
{
    // A code beyond the field list throws before anything is shown, so the
    // preview keeps its previous text under the error box.
    FormatText->setPlainText(DecodeText(PreviewTemplate(templ, m_ctx.s.schema.FieldNames), m_ctx.iniUtf8));
}

void TFormOptions::TypeSelectChange()
{
    if (TypeSelect->currentIndex() < 0)
        return;
    const std::string templ =
        m_ctx.s.Settings.Read(key::Format(EncodeText(TypeSelect->currentText(), m_ctx.iniUtf8)));
    TypeFormat->setText(DecodeText(templ, m_ctx.iniUtf8));
    ShowPreview(templ);
}

void TFormOptions::TypeFormatChange()
{
    if (TypeSelect->currentIndex() < 0)
        return;
    const std::string templ = EncodeText(TypeFormat->text(), m_ctx.iniUtf8);
    m_ctx.s.Settings.Write(key::Format(EncodeText(TypeSelect->currentText(), m_ctx.iniUtf8)), templ);
    ShowPreview(templ);
}

void TFormOptions::CreateColumnSelectors()
{
    const QStringList choices{QStringLiteral("none"),   QStringLiteral("reference"), QStringLiteral("title"),
                              QStringLiteral("author"), QStringLiteral("year"),      QStringLiteral("type")};
    for (int i = 0; i < 4; ++i) {
        auto* c = new QComboBox(DisplaySheet);
        c->setObjectName(QStringLiteral("ColumnSelector%1").arg(i + 1));
        c->setEditable(true);
        c->addItems(choices);
        c->setGeometry(5 + 80 * i, 40, 70, 22);
        ColumnSelector[static_cast<size_t>(i)] = c;
    }
}

void TFormOptions::Bind(QCheckBox* box, SettingKey<YesNo> key)
{
    SettingsList& st = m_ctx.s.Settings;
    m_bindings.push_back({[box, key, &st] { box->setChecked(st.IsYes(key)); },
                          [box, key, &st] { st.WriteYesNo(key, box->isChecked()); }});
}

template <class Kind> void TFormOptions::Bind(QLineEdit* box, SettingKey<Kind> key)
{
    m_bindings.push_back({[this, box, key] { box->setText(m_ctx.Setting(key)); },
                          [this, box, key] { m_ctx.WriteSetting(key, box->text()); }});
}

void TFormOptions::Bind(QLineEdit* box, SettingKey<Path> key)
{
    m_bindings.push_back({[this, box, key] { box->setText(m_ctx.PathSetting(key)); },
                          [this, box, key] { m_ctx.WritePathSetting(key, box->text()); }});
}

void TFormOptions::Bind(QComboBox* box, SettingKey<Text> key)
{
    m_bindings.push_back({[this, box, key] { SetComboText(box, m_ctx.Setting(key)); },
                          [this, box, key] { m_ctx.WriteSetting(key, box->currentText()); }});
}

// One binding per control, in the order the settings are stored: a key the
// settings file lacks is appended in this order.
void TFormOptions::BindSettings()
{
    SettingsList& st = m_ctx.s.Settings;
    Bind(Filtering, key::Filtering);
    for (size_t i = 0; i < 3; ++i) {
        Bind(FilterOp[i], key::Filter[i].Op);
        Bind(FilterField[i], key::Filter[i].Field);
    }
    for (size_t i = 0; i < 3; ++i)
        Bind(FilterBound[i], key::Filter[i].Value);
    m_bindings.push_back(
        {[this, &st] { (st.Read(key::FilterMode) == "and" ? AndOrOrAll : AndOrOrAny)->setChecked(true); },
         [this, &st] { st.Write(key::FilterMode, AndOrOrAll->isChecked() ? "and" : "or"); }});
    Bind(StatusLog, key::LogStatus);
    Bind(StatusDisplay, key::DispStatus);
    Bind(ErrorLog, key::LogError);
    Bind(ErrorDisplay, key::DispError);
    Bind(WriteToFile, key::WriteLog);
    Bind(SaveSize, key::SaveSize);
    Bind(Sorting, key::SaveSorted);
    Bind(MaxLogSize, key::MaxLogSize);
    Bind(Backup, key::Backup);
    Bind(LineBreak, key::LineBreak);
    Bind(AutoSave, key::AutoSave);
    Bind(SwitchFiltering, key::SwitchFilteringOff);
    Bind(SwitchSorting, key::SwitchSortingOff);
    Bind(LineWidth, key::LineWidth);
    Bind(InsertWidth, key::InsertWidth);
    m_bindings.push_back(
        {[this] { DispNotes->setCurrentIndex(DispNotesChoice(m_ctx)); },
         [this, &st] { st.Write(key::DisplayNotes, std::to_string(DispNotes->currentIndex())); }});
    Bind(DataPath, key::DataPath);
    Bind(PDFPath, key::PdfPath);
    Bind(Logfile, key::LogFile);
    for (size_t i = 0; i < 4; ++i)
        Bind(ColumnSelector[i], key::Disp[i]);
    Bind(Truncate, key::Truncate);
    Bind(CharLimit, key::CharLimit);
    Bind(ShowAccents, key::DisplayUnicode);
}

void TFormOptions::WatchChanges()
{
    for (QCheckBox* b :
         {Filtering, StatusDisplay, ErrorDisplay, StatusLog, ErrorLog, WriteToFile, LineBreak, Backup,
          Sorting, SwitchFiltering, SwitchSorting, AutoSave, SaveSize, Truncate, ShowAccents})
        connect(b, &QCheckBox::toggled, this, [this] { UpdateOptions(); });
    for (QLineEdit* e : {Logfile, MaxLogSize, LineWidth, InsertWidth, DataPath, PDFPath, CharLimit,
                         FilterBound[0], FilterBound[1], FilterBound[2]})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdateOptions(); });
    for (QComboBox* c :
         {FilterField[0], FilterField[1], FilterField[2], FilterOp[0], FilterOp[1], FilterOp[2],
          ColumnSelector[0], ColumnSelector[1], ColumnSelector[2], ColumnSelector[3]})
        connect(c, &QComboBox::currentTextChanged, this, [this] { UpdateOptions(); });
    connect(DispNotes, &QComboBox::currentIndexChanged, this, [this] { UpdateOptions(); });
    connect(AndOrOrAll, &QRadioButton::toggled, this, [this] { UpdateOptions(); });
}

// Fills the controls from the settings; the change handlers stay silent
// until the end, so filling writes nothing.
void TFormOptions::FormCreate()
{
    m_filling = true;
    // The first field chooser offers "line off", "type", "reference" until a load.
    for (const Binding& b : m_bindings)
        b.Load();
    ApplyEnabledRules();
    WatchChanges();
    // The last library. A failing load is shown and the dialog still
    // finishes its creation, so that its controls write settings afterwards.
    TFormMain* main = m_ctx.w.Main;
    m_ctx.s.Bib.Library.clear();
    main->Run([main, this] { main->mnuLoadClick(this); });
    for (const TItem& t : m_ctx.s.schema.TypeTable)
        TypeSelect->addItem(DecodeText(t.Name, m_ctx.iniUtf8));
    if (TypeSelect->count() > 0)
        TypeSelect->setCurrentIndex(0);
    m_filling = false;
}

void TFormOptions::SetBoundPopup(int line)
{
    // With the field "key" the right button offers the keyword menu; picking a
    // keyword there appends it to the box that has the focus.
    QLineEdit* bound = FilterBound[static_cast<size_t>(line)];
    const bool keys = FilterField[static_cast<size_t>(line)]->currentText() == QStringLiteral("key");
    bound->setContextMenuPolicy(keys ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
}

void TFormOptions::ApplyEnabledRules()
{
    for (size_t i = 0; i < 3; ++i) {
        const bool on = FilterField[i]->currentText() != kLineOff;
        FilterBound[i]->setEnabled(on);
        SetBoundPopup(static_cast<int>(i));
        FilterOp[i]->setEnabled(on);
        FilterNot[i]->setEnabled(on);
    }
    LineWidth->setEnabled(LineBreak->isChecked());
    InsertWidth->setEnabled(LineBreak->isChecked());
    Logfile->setEnabled(WriteToFile->isChecked());
    CharLimit->setEnabled(Truncate->isChecked());
}

void TFormOptions::UpdateOptions()
{
    if (m_filling)
        return;
    for (const Binding& b : m_bindings)
        b.Store();
    ApplyEnabledRules();
    emit filteringChanged(Filtering->isChecked());
}

void TFormOptions::mnuOptionsClick()
{
    // The first time over the main window; later where the user left it.
    ShowDialogInFront(m_ctx, this, !m_placed);
    m_placed = true;
}

void TFormOptions::DismissClick()
{
    TFormMain* main = m_ctx.w.Main;
    const int remembered = main->SelectedItem();
    EnableWindowsBehind(m_ctx, true);
    // Closing comes last, but also when the refresh fails (a bad "charlimit"),
    // so the user is never left with two disabled windows.
    struct HideAtEnd {
        TFormOptions* w;
        ~HideAtEnd()
        {
            w->hide();
            // The keys back to the list, also when no item is shown again.
            ReturnToList(w->m_ctx);
        }
    } hideAtEnd{this};
    main->RefreshList(true);
    main->Reselect(remembered);
}

void TFormOptions::keyPressEvent(QKeyEvent* event)
{
    // Dismiss is the default button: Enter anywhere in the dialog presses
    // it; Escape leaves the dialog the same way, as it has no other.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        Dismiss->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormOptions::InvertClick()
{
    if (AndOrOrAll->isChecked())
        AndOrOrAny->setChecked(true);
    else
        AndOrOrAll->setChecked(true);
    for (QCheckBox* b : FilterNot)
        b->setChecked(!b->isChecked());
}

void TFormOptions::FillFieldChoices()
{
    QStringList names{kLineOff};
    for (const std::string& n : m_ctx.s.schema.FieldNames)
        names << m_ctx.Text(n);
    names << QStringLiteral("notes");
    const bool wasFilling = m_filling;
    m_filling = true;
    for (QComboBox* c : FilterField) {
        const QString text = c->currentText();
        const QSignalBlocker block(c);
        c->clear();
        c->addItems(names);
        SetComboText(c, text);
    }
    m_filling = wasFilling;
}

bool TFormOptions::NotChecked(int line) const
{
    return FilterNot[static_cast<size_t>(line)]->isChecked();
}

void TFormOptions::SetFiltering(bool on)
{
    if (Filtering->isChecked() != on)
        Filtering->setChecked(on); // runs UpdateOptions
    else
        UpdateOptions();
}

void TFormOptions::InsertKeyword(const std::string& k)
{
    if (!isVisible())
        return;
    for (QLineEdit* box : FilterBound)
        if (box && box->hasFocus())
            box->setText(m_ctx.WithKeyword(box->text(), k));
}

} // namespace lorix
