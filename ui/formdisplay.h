#pragma once
// TFormDisplay: the item editor window, one row per field of the shown item,
// styled by the type schema.

#include "ui/context.h"
#include "view/itemrows.h"

#include <QWidget>
#include <array>
#include <string>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace lorix {

class TFormDisplay final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormDisplay(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();
    // Lays out the item of a library index in the editor rows.
    void ShowItem(int itemIndex);
    // A keyword chosen from the keyword menu, appended to the row editor that
    // has the focus (whose change handler writes it into the item).
    void InsertKeyword(const std::string& k);

    // The window active with the keys in the reference row (key E).
    void FocusReference();

    // Handlers
    void MakeTransparentClick();
    void FormResize();

    // The row whose editor is ed, or -1.
    int RowOf(const QObject* ed) const;
    // The number of rows in use by the shown item (reference, schema and
    // custom rows), without the blank label below them.
    int UsedRows() const { return m_usedRows; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Handlers the window runs itself.
    void UpdateBib(QObject* sender);
    void ItemtypeChange();
    void DateiClick();

    QComboBox* Itemtype = nullptr;
    QPushButton* Datei = nullptr;
    QPushButton* MakeTransparent = nullptr;
    std::array<QLabel*, kEditorRows> FieldLabels{};
    std::array<QPlainTextEdit*, kEditorRows> FieldEditors{};

    // True while ShowItem fills the window: the change handlers ignore it.
    bool ShowingItem = false;
    int LabelTop(int r) const { return 35 + m_rowPitch * r; }
    int EditorTop(int r) const { return LabelTop(r) + m_labelHeight + 5; }
    // Puts the editor of row r back to what the item holds (a refused edit).
    void RestoreRow(int r, int itemIndex);
    void StyleRow(int r, const ItemRow& row);
    void SetEditorText(int r, const QString& text);
    void SetBackground(bool hasDocument);
    void AttachKeys(int r, bool attach);

    FormContext& m_ctx;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    // Label bytes of each row: the key by which edits find the item's field.
    std::array<std::string, kEditorRows> m_rowNames{};
    QStringList m_typeNames; // what the type box was last filled with
    std::array<bool, kEditorRows> m_keyPopup{};
    // Editor text colour of each row by the schema, before the brace check.
    std::array<Rgb, kEditorRows> m_editorColours{};
    std::string m_documentName;
    int m_usedRows = 0;
    int m_shownItem = -1;
    // Row sizes from the font, so that no label or value is cut off: at the
    // least 13 and 20 pixels, 42 apart.
    int m_labelHeight = 13;
    int m_editorHeight = 20;
    int m_rowPitch = 42;
    // The main window was hidden by the T button.
    bool m_mainHidden = false;
};

} // namespace lorix
