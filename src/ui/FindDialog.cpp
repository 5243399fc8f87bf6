#include "ui/FindDialog.h"

#include "core/Guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {
constexpr int kHistorySize = 16;

QGroupBox* choiceBox(const QString& title, QRadioButton*& first, const QString& firstText,
                     QRadioButton*& second, const QString& secondText, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    first = new QRadioButton(firstText, box);
    second = new QRadioButton(secondText, box);
    layout->addWidget(first);
    layout->addWidget(second);
    first->setChecked(true);
    return box;
}
} // namespace

QStringList& TFindDialog::History()
{
    static QStringList history;
    return history;
}

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find Text"));

    text_ = new QComboBox(this);
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);
    text_->setMinimumContentsLength(30);
    text_->addItems(History());
    auto* label = new QLabel(QStringLiteral("&Text to find:"), this);
    label->setBuddy(text_);

    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    caseSensitive_ = new QCheckBox(QStringLiteral("&Case sensitive"), options);
    wholeWords_ = new QCheckBox(QStringLiteral("&Whole words only"), options);
    regularExpression_ = new QCheckBox(QStringLiteral("Regular e&xpressions"), options);
    optionsLayout->addWidget(caseSensitive_);
    optionsLayout->addWidget(wholeWords_);
    optionsLayout->addWidget(regularExpression_);

    QGroupBox* direction = choiceBox(QStringLiteral("Direction"), forward_, QStringLiteral("Forwar&d"),
                                     backward_, QStringLiteral("&Backward"), this);
    QGroupBox* scope = choiceBox(QStringLiteral("Scope"), global_, QStringLiteral("&Global"),
                                 selected_, QStringLiteral("&Selected text"), this);
    QGroupBox* origin = choiceBox(QStringLiteral("Origin"), fromCursor_, QStringLiteral("&From cursor"),
                                  entireScope_, QStringLiteral("&Entire scope"), this);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &TFindDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &TFindDialog::reject);
    connect(text_, &QComboBox::editTextChanged, this, [this] { Guarded(this, [&] { updateButtons(); }); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(text_, 0, 1);
    grid->addWidget(options, 1, 0);
    grid->addWidget(direction, 1, 1);
    grid->addWidget(scope, 2, 0);
    grid->addWidget(origin, 2, 1);
    grid->addWidget(buttons_, 3, 0, 1, 2);
    text_->setFocus();
    updateButtons();
}

void TFindDialog::SetOptions(const TSearchOptions& o)
{
    text_->setEditText(o.text);
    text_->lineEdit()->selectAll();
    caseSensitive_->setChecked(o.caseSensitive);
    wholeWords_->setChecked(o.wholeWords);
    regularExpression_->setChecked(o.regularExpression);
    (o.selectedOnly ? selected_ : global_)->setChecked(true);
    (o.entireScope ? entireScope_ : fromCursor_)->setChecked(true);
    (o.backward ? backward_ : forward_)->setChecked(true);
    updateButtons();
}

TSearchOptions TFindDialog::Options() const
{
    TSearchOptions o;
    o.text = text_->currentText();
    o.caseSensitive = caseSensitive_->isChecked();
    o.wholeWords = wholeWords_->isChecked();
    o.regularExpression = regularExpression_->isChecked();
    o.selectedOnly = selected_->isChecked();
    o.entireScope = entireScope_->isChecked();
    o.backward = backward_->isChecked();
    return o;
}

void TFindDialog::updateButtons()
{
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!text_->currentText().isEmpty());
}

void TFindDialog::accept()
{
    Guarded(this, [&] {
        const TSearchOptions o = Options();
        if (o.text.isEmpty())
            return;
        if (o.regularExpression) {
            const QRegularExpression regex(o.text);
            if (!regex.isValid()) {
                QMessageBox::warning(this, QStringLiteral("Warning"),
                                     QStringLiteral("'%1' is not a valid regular expression: %2")
                                         .arg(o.text, regex.errorString()),
                                     QMessageBox::Ok);
                text_->setFocus();
                return;
            }
        }
        QStringList& history = History();
        history.removeAll(o.text);
        history.prepend(o.text);
        while (history.size() > kHistorySize)
            history.removeLast();
        QDialog::accept();
    });
}
