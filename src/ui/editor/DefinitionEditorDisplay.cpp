#include "ui/editor/DefinitionEditorDisplay.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/SystemState.h"
#include "core/program/ProgramFile.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/QtOperator.h"
#include "ui/editor/CommandChooser.h"
#include "ui/editor/CommandDialog.h"
#include "ui/editor/DefinitionListModel.h"

namespace vendra::ui {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// "Name|*.a;*.b" (the classic filter form) as Qt writes it: "Name (*.a *.b)".
QString QtFileFilter(const char* classic) {
    const QStringList parts = QString::fromLatin1(classic).split('|');
    if (parts.size() != 2) return QString::fromLatin1(classic);
    return QStringLiteral("%1 (%2)").arg(parts[0], parts[1].split(';').join(' '));
}

}  // namespace

TDefinitionEditorDisplay::TDefinitionEditorDisplay(DefinitionEditorState state, Operator& op,
                                                   std::function<int()> loadProgramFile,
                                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      op_(op),
      loadProgramFile_(std::move(loadProgramFile)),
      editor_(state, op, *this) {
    setObjectName(QStringLiteral("TDefinitionEditorDisplay"));
    setWindowTitle(QString::fromStdString(editor_.Caption()));

    auto* menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = menu->addMenu(QStringLiteral("File"));
    QAction* load = file->addAction(QStringLiteral("Load File"));
    load->setObjectName(QStringLiteral("LoadFile1"));
    file->addSeparator();
    QAction* newFile = file->addAction(QStringLiteral("New File"));
    newFile->setObjectName(QStringLiteral("NewFile1"));
    connect(load, &QAction::triggered, this, &TDefinitionEditorDisplay::LoadFile1Click);
    connect(newFile, &QAction::triggered, this, &TDefinitionEditorDisplay::NewFile1Click);

    model_ = new DefinitionListModel(editor_, this);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("DefinitionList"));
    list_->setUniformItemSizes(true);  // 10,000 rows lay out without measuring each
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setModel(model_);
    model_->SetFont(list_->font());
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                editor_.Select(current.isValid() ? current.row() : -1);
            });
    connect(list_, &QListView::doubleClicked, this, &TDefinitionEditorDisplay::EditButtonClick);

    auto* heading = new QHBoxLayout;
    heading->addWidget(new QLabel(QStringLiteral("Line #"), this));
    heading->addSpacing(12);
    heading->addWidget(new QLabel(QStringLiteral("Command"), this));
    heading->addStretch();

    // Tab order follows creation: Add, Delete, Insert, Edit first.
    QPushButton* add = Button(this, "AddButton", "Add");
    QPushButton* del = Button(this, "DeleteButton", "Delete");
    QPushButton* insert = Button(this, "InsertButton", "Insert");
    QPushButton* edit = Button(this, "EditButton", "Edit");
    QPushButton* ok = Button(this, "OKButton", "OK");
    QPushButton* cancel = Button(this, "CancelButton", "Cancel");
    QPushButton* save = Button(this, "SaveButton", "Save");
    QPushButton* print = Button(this, "PrintButton", "Print");
    connect(add, &QPushButton::clicked, this, &TDefinitionEditorDisplay::AddButtonClick);
    connect(del, &QPushButton::clicked, this, &TDefinitionEditorDisplay::DeleteButtonClick);
    connect(insert, &QPushButton::clicked, this, &TDefinitionEditorDisplay::InsertButtonClick);
    connect(edit, &QPushButton::clicked, this, &TDefinitionEditorDisplay::EditButtonClick);
    connect(ok, &QPushButton::clicked, this, &TDefinitionEditorDisplay::OKButtonClick);
    connect(cancel, &QPushButton::clicked, this, &TDefinitionEditorDisplay::CancelButtonClick);
    connect(save, &QPushButton::clicked, this, &TDefinitionEditorDisplay::SaveButtonClick);
    connect(print, &QPushButton::clicked, this, &TDefinitionEditorDisplay::PrintButtonClick);
    auto* lineButtons = new QHBoxLayout;
    for (QPushButton* b : {add, del, insert, edit}) lineButtons->addWidget(b);
    auto* fileButtons = new QHBoxLayout;
    for (QPushButton* b : {ok, cancel, save, print}) fileButtons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addLayout(heading);
    layout->addWidget(list_, 1);
    layout->addLayout(lineButtons);
    layout->addLayout(fileButtons);
    resize(470, 374);

    Printing = DefaultPrintTarget(this);
}

TDefinitionEditorDisplay::~TDefinitionEditorDisplay() {
    editor_.Close();  // however the window went, the next opening activates afresh
}

void TDefinitionEditorDisplay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    editor_.Activate();  // the first activation of this opening; later ones do nothing
}

void TDefinitionEditorDisplay::OKButtonClick() {
    if (editor_.Ok()) accept();  // otherwise something is still unsaved: the editor stays open
}

void TDefinitionEditorDisplay::CancelButtonClick() {
    reject();
}

void TDefinitionEditorDisplay::reject() {
    editor_.Cancel();
    QDialog::reject();
}

void TDefinitionEditorDisplay::PrintButtonClick() {
    const int selected = editor_.Selection();
    const auto& items = editor_.Items();
    PrintListing(
        op_, QStringLiteral("Definition File"),
        ListingPageSizes(static_cast<uint32_t>(items.size())), kPrintLinesPerPage,
        [&items](uint32_t i) { return QString::fromLatin1(items[i]); }, Printing);
    editor_.Select(selected);
    ShowSelection();
}

// ---- what the editor shows ----

void TDefinitionEditorDisplay::ListChanged() {
    if (editor_.ItemsGeneration() != shownGeneration_) {
        shownGeneration_ = editor_.ItemsGeneration();
        const int32_t selection = editor_.Selection();
        model_->Reload();  // resets the view's current item, which the editor hears
        editor_.Select(selection);
    }
    ShowSelection();
    setWindowTitle(QString::fromStdString(editor_.Caption()));
}

void TDefinitionEditorDisplay::ShowSelection() {
    const int32_t selection = editor_.Selection();
    QItemSelectionModel* selectionModel = list_->selectionModel();
    if (selection < 0) {
        selectionModel->clear();
        return;
    }
    const QModelIndex index = model_->index(selection);
    selectionModel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
}

// ---- the dialogs the editor opens ----

bool TDefinitionEditorDisplay::ChooseCommand(uint32_t preselect, std::string& text) {
    TfnDCommand chooser(static_cast<int>(preselect), this);
    if (ExecModal(chooser) != QDialog::Accepted) return false;
    text = chooser.Text().toLatin1().toStdString();
    return true;
}

int TDefinitionEditorDisplay::ShowLineDialog(LineDialog& session) {
    TCommandDialog dialog(session, op_, this);
    return ExecModal(dialog) == QDialog::Accepted ? 1 : 2;
}

bool TDefinitionEditorDisplay::ChooseLabel(const std::vector<std::string>& names,
                                           uint32_t preselect, int& index) {
    QStringList items;
    for (const std::string& name : names) items << QString::fromLatin1(name);
    // Over the parameter dialog that asked for it.
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    TfnLabelList picker(items, static_cast<int>(preselect), parent);
    if (ExecModal(picker) != QDialog::Accepted) return false;
    index = picker.ItemIndex();
    return true;
}

bool TDefinitionEditorDisplay::AskSaveFileName(const std::string& suggested, std::string& path) {
    QFileDialog dialog(this, QStringLiteral("Save Define File"), QString(),
                       QtFileFilter(kDefinitionFilter));
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(QString::fromStdString(suggested));
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().first().toStdString();
    return true;
}

int TDefinitionEditorDisplay::LoadProgramFile() {
    return loadProgramFile_ ? loadProgramFile_() : 0;
}

void InstallDefinitionEditor(TMain& main) {
    main.SetDefinitionEditor([&main] {
        TDefinitionEditorDisplay editor(
            DefinitionEditorStateOf(main.State()), main.Op(),
            [&main] { return main.LoadDefineFile1Click(); }, &main);
        ExecModal(editor);
    });
}

}  // namespace vendra::ui
