#include "ui/PrintSelectionDialog.h"

#include "core/Guard.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TPrintSelectionDialog::TPrintSelectionDialog(QPrinter* printer, const TPrintOptions& options, bool hasSelection,
                                             Preview preview, QWidget* parent)
    : QDialog(parent), printer_(printer), preview_(std::move(preview))
{
    setObjectName(QStringLiteral("PrintSelectionDialog"));
    setWindowTitle(QStringLiteral("Print Selection"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("File to print:"), new QLabel(QStringLiteral("<Unknown>")));
    SelectedBlock = new QCheckBox(QStringLiteral("&Print selected block"));
    SelectedBlock->setEnabled(hasSelection);
    SelectedBlock->setChecked(hasSelection && options.selectedBlock);
    form->addRow(SelectedBlock);
    LeftMargin = new QSpinBox;
    LeftMargin->setRange(0, 100);
    LeftMargin->setSuffix(QStringLiteral(" mm"));
    LeftMargin->setValue(options.leftMargin);
    form->addRow(QStringLiteral("Left &margin:"), LeftMargin);

    auto* box = new QGroupBox(QStringLiteral("Options"));
    auto* checks = new QVBoxLayout(box);
    auto check = [&](const QString& text, bool on) {
        auto* c = new QCheckBox(text);
        c->setChecked(on);
        checks->addWidget(c);
        return c;
    };
    Header = check(QStringLiteral("Header/page &number"), options.header);
    LineNumbers = check(QStringLiteral("&Line numbers"), options.lineNumbers);
    SyntaxPrint = check(QStringLiteral("&Syntax print"), options.syntaxPrint);
    WrapLines = check(QStringLiteral("&Wrap lines"), options.wrapLines);
    UseColor = check(QStringLiteral("Use &color"), options.useColor);
    ShowProgress = check(QStringLiteral("Show print &progress"), options.showProgress);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* setup = buttons->addButton(QStringLiteral("Se&tup..."), QDialogButtonBox::ActionRole);
    setup->setObjectName(QStringLiteral("SetupButton"));
    auto* previewButton = buttons->addButton(QStringLiteral("Pre&view..."), QDialogButtonBox::ActionRole);
    previewButton->setObjectName(QStringLiteral("PreviewButton"));
    previewButton->setVisible(bool(preview_));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(setup, &QPushButton::clicked, this, [this] { Guarded(this, [&] { Setup(); }); });
    connect(previewButton, &QPushButton::clicked, this, [this] { Guarded(this, [&] { ShowPreview(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    layout->addWidget(buttons);
}

TPrintOptions TPrintSelectionDialog::Options() const
{
    TPrintOptions o;
    o.selectedBlock = SelectedBlock->isEnabled() && SelectedBlock->isChecked();
    o.leftMargin = LeftMargin->value();
    o.header = Header->isChecked();
    o.lineNumbers = LineNumbers->isChecked();
    o.syntaxPrint = SyntaxPrint->isChecked();
    o.wrapLines = WrapLines->isChecked();
    o.useColor = UseColor->isChecked();
    o.showProgress = ShowProgress->isChecked();
    return o;
}

void TPrintSelectionDialog::Setup()
{
    // The printer's own settings; its OK only takes them, printing waits
    // for this dialog's OK.
    QPrintDialog dialog(printer_, this);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.exec();
}

void TPrintSelectionDialog::ShowPreview()
{
    QPrintPreviewDialog dialog(printer_, this);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    TPrintOptions options = Options();
    options.showProgress = false;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this, options](QPrinter* printer) { Guarded(this, [&] { preview_(printer, options); }); });
    dialog.exec();
}
