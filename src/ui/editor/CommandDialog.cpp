#include "ui/editor/CommandDialog.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <algorithm>

#include "core/program/DialogFieldRules.h"
#include "ui/app/ModalDialog.h"
#include "ui/app/RadioGroup.h"

namespace vendra::ui {

namespace {

std::string Latin1(const QString& text) {
    return text.toLatin1().toStdString();
}

bool IsWide(EditRole role) {
    return role == EditRole::Text || role == EditRole::LabelName || role == EditRole::Comment;
}

}  // namespace

TCommandDialog::TCommandDialog(LineDialog& session, Operator& op, QWidget* parent)
    : QDialog(parent), session_(session), op_(op), edits_(session.FieldCount(), nullptr) {
    const DialogRow& row = session.Row();
    setObjectName(QString::fromLatin1(row.ClassName));
    setWindowTitle(QString::fromLatin1(row.Caption));
    if (!row.BorderIcons)
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    // The fields stand in a bevel, row by row; the comment goes below it.
    auto* bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* rows = new QVBoxLayout(bevel);
    int lastRow = 0;
    for (const DialogField& f : row.Fields) lastRow = std::max<int>(lastRow, f.Row);
    for (const DialogNote& n : row.Notes) lastRow = std::max<int>(lastRow, n.Row);
    QWidget* commentBox = nullptr;
    for (int r = 0; r <= lastRow; ++r) {
        auto* line = new QHBoxLayout;
        for (const DialogNote& n : row.Notes) {
            if (n.Row != r) continue;
            auto* note = new QLabel(QString::fromLatin1(n.Text), bevel);
            note->setWordWrap(true);
            line->addWidget(note, 1);
        }
        for (int i = 0; i < session.FieldCount(); ++i) {
            if (row.Fields[i].Row != r) continue;
            if (row.Fields[i].Role == EditRole::Comment) {
                commentBox = BuildField(i, this);
            } else {
                line->addWidget(BuildField(i, bevel), IsWide(row.Fields[i].Role) ? 2 : 1);
            }
        }
        if (line->count() > 0) {
            rows->addLayout(line);
        } else {
            delete line;
        }
    }

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(*this, ok);
    connect(ok, &QPushButton::clicked, this, &TCommandDialog::OKButtonClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bevel);
    if (commentBox != nullptr) layout->addWidget(commentBox);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (row.Width > 0) bevel->setMinimumWidth(row.Width - 2 * layout->contentsMargins().left());
    FitCaption(*this, *bevel);
    ShowTexts();
}

QWidget* TCommandDialog::BuildField(int index, QWidget* parent) {
    const DialogField& f = session_.Row().Fields[index];
    const QString component = QString::fromLatin1(f.Component);
    if (f.Role == EditRole::Choice) {
        QStringList items;
        for (const char* item : f.Items) items << QString::fromLatin1(item);
        auto* group = new RadioGroup(QString::fromLatin1(f.Caption), items, f.Columns, parent);
        group->setObjectName(component);
        connect(group, &RadioGroup::ItemIndexChanged, this,
                [this, index](int item) { session_.Type(index, std::to_string(item)); });
        edits_[index] = group;
        return group;
    }
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* label = new QLabel(QString::fromLatin1(f.Caption), box);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(component);
    edit->setMinimumWidth(IsWide(f.Role) ? 260 : 110);
    label->setBuddy(edit);
    column->addWidget(label);
    column->addWidget(edit);
    // Every change reaches the dialog's session (typing, pasting, undo), except the texts the
    // session itself hands out.
    connect(edit, &QLineEdit::textChanged, this, [this, index](const QString& text) {
        if (!showing_) session_.Type(index, Latin1(text));
    });
    if (f.Picker) edit->installEventFilter(this);
    edits_[index] = edit;
    return box;
}

QWidget* TCommandDialog::Edit(const char* component) const {
    const int i = session_.FieldIndex(component);
    return i >= 0 ? edits_[i] : nullptr;
}

void TCommandDialog::ShowTexts() {
    const QScopedValueRollback<bool> showing(showing_, true);
    for (int i = 0; i < session_.FieldCount(); ++i) {
        const QString text = QString::fromLatin1(session_.Text(i));
        if (auto* edit = qobject_cast<QLineEdit*>(edits_[i])) {
            if (edit->text() != text) edit->setText(text);
        } else if (auto* group = qobject_cast<RadioGroup*>(edits_[i])) {
            bool ok = false;
            const int item = text.toInt(&ok);
            QSignalBlocker block(group);
            group->SetItemIndex(ok ? item : -1);
        }
    }
}

bool TCommandDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < session_.FieldCount(); ++i) {
            if (edits_[i] != watched) continue;
            session_.PickLabel(i);
            ShowTexts();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TCommandDialog::TextsFitTheFile() {
    // Program files hold 8-bit text: a character beyond it would be stored as something else.
    for (int i = 0; i < session_.FieldCount(); ++i) {
        auto* edit = qobject_cast<QLineEdit*>(edits_[i]);
        if (edit == nullptr) continue;
        const QString text = edit->text();
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; }))
            continue;
        op_.ShowMessageBox(FieldName(session_.Row().Fields[i]) +
                               ": the text holds characters a program file cannot store.",
                           kInputErrorTitle, mb::Warning);
        edit->setFocus();
        return false;
    }
    return true;
}

void TCommandDialog::OKButtonClick() {
    if (!TextsFitTheFile()) return;
    if (session_.Ok() == 1) accept();
}

}  // namespace vendra::ui
