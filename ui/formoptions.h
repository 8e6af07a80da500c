#pragma once
// TFormOptions: the options dialog. Every control writes its setting the
// moment it changes (UpdateOptions writes them all); the main list follows
// when the dialog is dismissed. Created once at start-up, where its creation
// ends with the load of the last library.

#include "ui/context.h"

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;
class QTabWidget;

namespace lorix {

class TFormOptions final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormOptions(FormContext& ctx);

    void FormCreate();
    // A keyword chosen from the keyword menu, appended to the filter value
    // that has the focus while the dialog is open.
    void InsertKeyword(const std::string& k);
    void DismissClick();
    void InvertClick();
    void mnuOptionsClick(); // shows the dialog and disables the windows behind it
    // Filter field choices after a load: "line off", FieldNames, "notes".
    void FillFieldChoices();
    // The filter rules as the dialog holds them (the not boxes are not stored).
    bool NotChecked(int line) const;
    // Sets the "Filter Data" box; runs UpdateOptions like a click would.
    void SetFiltering(bool on);

    // Export tab: another type chosen; the template edited (every keystroke).
    void TypeSelectChange();
    void TypeFormatChange();

  signals:
    // The "Filter Data" box was stored (the main window's Filter entry follows it).
    void filteringChanged(bool on);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Handlers the window runs itself.
    void UpdateOptions();

    QTabWidget* Options = nullptr;
    QPushButton* Dismiss = nullptr;
    // Filter tab
    QCheckBox* Filtering = nullptr;
    QGroupBox* AndOrOr = nullptr;
    QRadioButton* AndOrOrAll = nullptr;
    QRadioButton* AndOrOrAny = nullptr;
    std::array<QComboBox*, 3> FilterField{};
    std::array<QComboBox*, 3> FilterOp{};
    std::array<QLineEdit*, 3> FilterBound{};
    std::array<QCheckBox*, 3> FilterNot{};
    QPushButton* Invert = nullptr;
    // Log tab
    QCheckBox* StatusDisplay = nullptr;
    QCheckBox* ErrorDisplay = nullptr;
    QCheckBox* StatusLog = nullptr;
    QCheckBox* ErrorLog = nullptr;
    QCheckBox* WriteToFile = nullptr;
    QLineEdit* Logfile = nullptr;
    QLineEdit* MaxLogSize = nullptr;
    // Save tab
    QCheckBox* LineBreak = nullptr;
    QCheckBox* Backup = nullptr;
    QCheckBox* Sorting = nullptr;
    QLineEdit* LineWidth = nullptr;
    QLineEdit* InsertWidth = nullptr;
    QLineEdit* DataPath = nullptr;
    QLineEdit* PDFPath = nullptr;
    // Exiting tab
    QCheckBox* SwitchFiltering = nullptr;
    QCheckBox* SwitchSorting = nullptr;
    QCheckBox* AutoSave = nullptr;
    QCheckBox* SaveSize = nullptr;
    // Display tab
    QWidget* DisplaySheet = nullptr;
    std::array<QComboBox*, 4> ColumnSelector{};
    QCheckBox* Truncate = nullptr;
    QLineEdit* CharLimit = nullptr;
    QComboBox* DispNotes = nullptr;
    QCheckBox* ShowAccents = nullptr;
    // Export tab
    QComboBox* TypeSelect = nullptr;
    QLineEdit* TypeFormat = nullptr;
    QPlainTextEdit* FormatText = nullptr;

    void ShowPreview(const std::string& templ);
    QWidget* BuildFilterTab();
    QWidget* BuildLogTab();
    QWidget* BuildSaveTab();
    QWidget* BuildExitingTab();
    QWidget* BuildDisplayTab();
    QWidget* BuildExportTab();
    void CreateColumnSelectors();
    void ApplyEnabledRules();
    void SetBoundPopup(int line);
    void WatchChanges();

    // A control bound to its setting: how the dialog fills it from the
    // settings and stores it back. One table serves both.
    struct Binding {
        std::function<void()> Load;
        std::function<void()> Store;
    };
    void BindSettings();
    void Bind(QCheckBox* box, SettingKey<YesNo> key);
    template <class Kind> void Bind(QLineEdit* box, SettingKey<Kind> key);
    void Bind(QLineEdit* box, SettingKey<Path> key); // "*none*" when empty
    void Bind(QComboBox* box, SettingKey<Text> key);
    std::vector<Binding> m_bindings;

    FormContext& m_ctx;
    // True while the controls are being filled; the change handlers then do nothing.
    bool m_filling = true;
    bool m_placed = false;
};

} // namespace lorix
