// TDefinitionEditorDisplay, the definition editor window: the list DefinitionList ("Line #",
// "Command"), the buttons Add, Delete, Insert, Edit, OK, Cancel, Save and Print, and the File menu
// (Load File, New File). It has no close box; Escape cancels. The window is thin: it shows the
// core DefinitionEditor's items, selection and caption, calls its operations, and opens the
// dialogs the editor asks for (the chooser, the parameter dialogs, the label picker, the save
// dialog SaveDialog1, the main window's load).
// Print goes to the default printer, or to a PDF file the operator names when there is none.
// Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <functional>

#include "core/base/Operator.h"
#include "core/program/DefinitionEditor.h"
#include "core/program/EditorDialogs.h"
#include "ui/app/ListingPrinter.h"

class QListView;

namespace vendra::ui {

class DefinitionListModel;
class TMain;

class TDefinitionEditorDisplay : public QDialog, public EditorDialogs {
    Q_OBJECT
  public:
    // `loadProgramFile` is the main window's "Load Define File" (1 when a program was loaded).
    TDefinitionEditorDisplay(DefinitionEditorState state, Operator& op,
                             std::function<int()> loadProgramFile, QWidget* parent = nullptr);
    ~TDefinitionEditorDisplay() override;

    DefinitionEditor& Editor() { return editor_; }
    QListView* List() const { return list_; }
    DefinitionListModel* Model() const { return model_; }
    PrintTarget Printing;

    // ---- handlers ----
    void AddButtonClick() { editor_.Add(); }
    void InsertButtonClick() { editor_.Insert(); }
    void DeleteButtonClick() { editor_.Delete(); }
    void EditButtonClick() { editor_.Edit(); }
    void SaveButtonClick() { editor_.Save(); }
    void OKButtonClick();
    void CancelButtonClick();
    void PrintButtonClick();
    void LoadFile1Click() { editor_.LoadFile(); }
    void NewFile1Click() { editor_.NewFile(); }

    // ---- EditorDialogs ----
    bool ChooseCommand(uint32_t preselect, std::string& text) override;
    int ShowLineDialog(LineDialog& dialog) override;
    bool ChooseLabel(const std::vector<std::string>& names, uint32_t preselect,
                     int& index) override;
    bool AskSaveFileName(const std::string& suggested, std::string& path) override;
    int LoadProgramFile() override;
    void ListChanged() override;

  public slots:
    void reject() override;  // Cancel, Escape and closing by any other means

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowSelection();

    Operator& op_;
    std::function<int()> loadProgramFile_;
    DefinitionEditor editor_;
    QListView* list_;
    DefinitionListModel* model_;
    uint64_t shownGeneration_ = 0;
};

// "Edit Define File" opens the editor modally over the main window.
void InstallDefinitionEditor(TMain& main);

}  // namespace vendra::ui
