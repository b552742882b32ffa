#include "FrmMain.h"

#include "PictureListEditor.h"
#include "TrayControl.h"
#include "WallpaperRotator.h"
#include "ui_frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>

// The icon lives in this static library; nothing else would pull it in.
static void initResources() {
    Q_INIT_RESOURCE(mirell);
}

namespace {

const QString WindowFontName = QStringLiteral("MS UI Gothic");
const QString CaptionFontName = QStringLiteral("ＭＳ Ｐゴシック");

// The window's typefaces ship with Windows only; elsewhere the IPA Gothic
// faces draw the same Japanese captions at much the same widths.
void addFontFallbacks() {
    const std::pair<QString, QStringList> fallbacks[] = {
        {WindowFontName, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")}},
        {CaptionFontName, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")}},
        {QStringLiteral("ＭＳ ゴシック"), {QStringLiteral("IPAGothic")}},
    };
    for (const auto &[family, substitutes] : fallbacks) {
        if (QFont::substitutes(family).isEmpty())
            QFont::insertSubstitutions(family, substitutes);
    }
}

// Push buttons do not wrap their captions as the narrow, tall cmdLet would
// need; a slightly smaller face keeps the whole caption readable instead.
void fitCaption(QPushButton *button) {
    const QString text = QString(button->text()).remove(QLatin1Char('&'));
    QFont font = button->font();
    constexpr int padding = 12;
    while (font.pointSizeF() > 8 &&
           QFontMetrics(font).horizontalAdvance(text) + padding > button->width()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    if (font != button->font())
        button->setFont(font);
}

} // namespace

FrmMain::FrmMain(const FrmMainServices &services, WallpaperRotator &rotator, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::frmMain>()), m_services(services),
      m_rotator(rotator) {
    buildWindow();
    connectHandlers();

    // The caption group must exist before the settings are loaded: ticking
    // chkShowStr while loading walks it.
    m_captionControls = {m_ui->Frame2,   m_ui->Frame3,   m_ui->Frame4,  m_ui->optType0,
                         m_ui->optType1, m_ui->optType2, m_ui->cmdFont, m_ui->optLoc0,
                         m_ui->optLoc1,  m_ui->optLoc2,  m_ui->optLoc3};
    showStrClicked();
    LoadSettings();
}

FrmMain::~FrmMain() = default;

void FrmMain::buildWindow() {
    initResources();
    addFontFallbacks();
    QFont font(WindowFontName);
    font.setPointSizeF(11.25);
    setFont(font);

    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(324, 403);

    m_optOrder = {m_ui->optOrder0, m_ui->optOrder1, m_ui->optOrder2};
    m_optType = {m_ui->optType0, m_ui->optType1, m_ui->optType2};
    m_optLoc = {m_ui->optLoc0, m_ui->optLoc1, m_ui->optLoc2, m_ui->optLoc3};

    // Enter on a focused button presses that button, elsewhere OK.
    const auto buttons = findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        button->setAutoDefault(true);
    m_ui->cmdOK->setDefault(true);

    // updMin is only the arrows of the spinner; the number lives in txtMin.
    m_ui->updMin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    m_ui->updMin->setValue(1);

    m_editor = new PictureListEditor(m_ui->lstImages,
                                     {m_ui->cmdAdd, m_ui->cmdDel, m_ui->cmdMirell, m_ui->cmdUp,
                                      m_ui->cmdDown, m_ui->cmdPrev, m_ui->cmdOpen, m_ui->cmdLet,
                                      m_ui->cmdFolder},
                                     m_services.dialogs, this);
    m_editor->setParent(this);
    m_editor->setFolderIndex(m_rotator.folderIndex());
}

// Measuring text loads the fonts, which a program resting in the tray never
// needs; the window takes its measure when it is first shown.
void FrmMain::fitToFonts() {
    if (m_fittedToFonts)
        return;
    m_fittedToFonts = true;
    // The page positions are measured from the tab control's corner, tab row
    // included; a page of QTabWidget begins below its tab bar.
    const int tabRow = m_ui->sstTabs->tabBar()->sizeHint().height();
    for (int i = 0; i < m_ui->sstTabs->count(); ++i) {
        const auto children =
            m_ui->sstTabs->widget(i)->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *child : children)
            child->move(child->x(), child->y() - tabRow);
    }
    const auto buttons = findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        fitCaption(button);
}

void FrmMain::showEvent(QShowEvent *event) {
    fitToFonts();
    QWidget::showEvent(event);
}

void FrmMain::connectHandlers() {
    // toggled, not clicked: loading and Cancel set these from code and the
    // enabling rules must follow.
    connect(m_ui->chkShowStr, &QCheckBox::toggled, this, &FrmMain::showStrClicked);
    // Matching orientations means something only when each monitor has its own picture.
    connect(m_ui->cboMonitor, &QComboBox::currentIndexChanged, this,
            [this](int mode) { m_ui->chkOrient->setEnabled(mode == 1); });
    for (int i = 0; i < int(m_optType.size()); ++i) {
        connect(m_optType[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                typeClicked(i);
        });
    }
    connect(m_ui->cmdFont, &QPushButton::clicked, this, &FrmMain::chooseFont);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &FrmMain::confirm);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &FrmMain::discard);

    // The spinner steps the number shown in txtMin, from what is typed there.
    connect(m_ui->txtMin, &QLineEdit::textChanged, this, [this](const QString &text) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (ok && value >= m_ui->updMin->minimum() && value <= m_ui->updMin->maximum()) {
            const QSignalBlocker blocker(m_ui->updMin);
            m_ui->updMin->setValue(value);
        }
        // A longer stored interval was shown in full; once edited down to
        // three characters the limit applies again.
        if (text.size() <= 3)
            m_ui->txtMin->setMaxLength(3);
    });
    connect(m_ui->updMin, &QSpinBox::valueChanged, this,
            [this](int value) { m_ui->txtMin->setText(QString::number(value)); });

    connect(m_editor, &PictureListEditor::previewRequested, this, &FrmMain::previewPicture);
    connect(m_editor, &PictureListEditor::openRequested, this, &FrmMain::openPicture);
    connect(m_editor, &PictureListEditor::applyRequested, this, &FrmMain::applySelected);

    connect(&m_rotator, &WallpaperRotator::currentChanged, m_ui->labCurr, &QLabel::setText);
}

void FrmMain::showStrClicked() {
    const bool on = m_ui->chkShowStr->isChecked();
    for (QWidget *member : std::as_const(m_captionControls))
        member->setEnabled(on);
    m_ui->txtCapt->setEnabled(m_ui->optType2->isChecked());
}

void FrmMain::typeClicked(int index) {
    m_ui->txtCapt->setEnabled(index == 2);
}

void FrmMain::chooseFont() {
    const auto chosen = m_services.dialogs.chooseFont(this, labFontChoice());
    if (!chosen)
        return;
    setLabFont(*chosen);
}

void FrmMain::openSettings() {
    m_services.tray.RemoveIcon();
    // A hidden window holds no edits: the list is the rotator's, which the
    // tray may have shortened since, and the picture on the desktop is
    // selected so that the user finds it.
    const bool fresh = isHidden();
    if (fresh)
        LoadPictureList();
    if (isMinimized())
        showNormal();
    else
        show();
    if (fresh && m_rotator.currentLine() >= 0) {
        m_ui->lstImages->setCurrentRow(m_rotator.currentLine());
        m_ui->lstImages->scrollToItem(m_ui->lstImages->currentItem());
    }
    raise();
    activateWindow();
}

void FrmMain::quit() {
    m_services.tray.RemoveIcon();
    QCoreApplication::exit(0);
}

void FrmMain::closeEvent(QCloseEvent *event) {
    // With its window gone the program has no way in left, so it ends.
    event->accept();
    quit();
}

void FrmMain::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            m_ui->cmdOK->click();
            return;
        }
        break;
    case Qt::Key_Escape:
        m_ui->cmdCancel->click();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void FrmMain::leaveWindow() {
    // Without a notification area a hidden window could never be reached again.
    if (m_services.tray.isAvailable())
        hide();
    else
        showMinimized();
}
