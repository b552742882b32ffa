#include "FontDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FontDialog::FontDialog(const FontChoice &initial, QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("フォントの選択"));

    m_family = new QComboBox(this);
    m_family->setObjectName(QStringLiteral("fontFamily"));
    m_family->addItems(QFontDatabase::families());

    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("fontSize"));
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    for (int size : standardSizes())
        m_size->addItem(QString::number(size));
    m_size->setValidator(new QIntValidator(MinSize, MaxSize, m_size));

    m_colorButton = new QPushButton(this);
    m_colorButton->setObjectName(QStringLiteral("fontColor"));
    m_colorButton->setText(QStringLiteral("色(&C)..."));

    m_sample = new QLabel(this);
    m_sample->setObjectName(QStringLiteral("fontSample"));
    m_sample->setFrameShape(QFrame::StyledPanel);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumSize(240, 70);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("フォント名(&F):"), m_family);
    form->addRow(QStringLiteral("サイズ(&S):"), m_size);
    form->addRow(QStringLiteral("色:"), m_colorButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_sample);
    layout->addWidget(buttons);

    connect(m_family, &QComboBox::currentIndexChanged, this, &FontDialog::updateSample);
    connect(m_size, &QComboBox::currentTextChanged, this, &FontDialog::updateSample);
    connect(m_colorButton, &QPushButton::clicked, this, &FontDialog::pickColor);

    setChoice(initial);
}

std::optional<FontChoice> FontDialog::ask(QWidget *parent, const FontChoice &initial) {
    FontDialog dialog(initial, parent);
    dialog.exec();
    return dialog.chosen();
}

QList<int> FontDialog::standardSizes() {
    return {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36};
}

void FontDialog::setChoice(const FontChoice &choice) {
    // A stored typeface this system lacks stays selectable, so that OK
    // without a change keeps the setting instead of a substitute's name.
    int index = m_family->findText(choice.name, Qt::MatchFixedString);
    if (index < 0 && !choice.name.isEmpty()) {
        m_family->insertItem(0, choice.name);
        index = 0;
    }
    m_family->setCurrentIndex(qMax(index, 0));

    const int size = qBound(MinSize, qRound(choice.pointSize), MaxSize);
    m_lastValidSize = size;
    m_size->setEditText(QString::number(size));
    const int sizeIndex = m_size->findText(QString::number(size));
    if (sizeIndex >= 0)
        m_size->setCurrentIndex(sizeIndex);
    setColor(choice.color);
}

FontChoice FontDialog::choice() const {
    FontChoice choice;
    choice.name = m_family->currentText();
    choice.pointSize = currentSize();
    choice.color = m_color;
    return choice;
}

std::optional<FontChoice> FontDialog::chosen() const {
    if (result() != QDialog::Accepted)
        return std::nullopt;
    return choice();
}

int FontDialog::currentSize() const {
    bool ok = false;
    const int typed = m_size->currentText().toInt(&ok);
    // Half-typed text ("3" on the way to "30") falls back to the last sound size.
    return ok && typed >= MinSize && typed <= MaxSize ? typed : m_lastValidSize;
}

void FontDialog::setColor(const QColor &color) {
    m_color = color.isValid() ? color : QColor(Qt::black);
    const QColor text = m_color.lightness() > 128 ? Qt::black : Qt::white;
    m_colorButton->setStyleSheet(
        QStringLiteral("background-color: %1; color: %2;").arg(m_color.name(), text.name()));
    updateSample();
}

void FontDialog::pickColor() {
    const QColor picked = QColorDialog::getColor(m_color, this, QStringLiteral("色の選択"));
    if (picked.isValid())
        setColor(picked);
}

void FontDialog::updateSample() {
    m_lastValidSize = currentSize();
    QFont font(m_family->currentText());
    font.setPointSize(m_lastValidSize);
    m_sample->setFont(font);
    m_sample->setText(m_family->currentText());
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, m_color);
    m_sample->setPalette(palette);
}
