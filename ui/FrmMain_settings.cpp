// The window routines that carry settings between the store, the record and
// the controls, and the two buttons that end a visit to the window.
#include "FrmMain.h"

#include "Geometry.h"
#include "PictureListEditor.h"
#include "SettingsStore.h"
#include "TextForms.h"
#include "TrayControl.h"
#include "WallpaperRotator.h"
#include "ui_frmMain.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {

const QString NoInterval = QStringLiteral("変更する間隔を指定して下さい。");
const QString BadInput = QStringLiteral("入力が不正です。");
const QString SaveFailed =
    QStringLiteral("設定を保存できませんでした。\r\n"
                   "ディスクの空きと書き込みの権限を確かめてから、もう一度OKを押して下さい。");

template <std::size_t N> void select(const std::array<QRadioButton *, N> &group, int index) {
    if (index >= 0 && index < int(N))
        group[index]->setChecked(true);
}

// Index of the first selected button, or fallback when none is.
template <std::size_t N>
qint16 selectedIndex(const std::array<QRadioButton *, N> &group, qint16 fallback) {
    for (int i = 0; i < int(N); ++i) {
        if (group[i]->isChecked())
            return qint16(i);
    }
    return fallback;
}

// A window the program never placed itself is placed afresh by the window
// manager each time it is shown again; one placed where the user left it
// (as a stored position does) comes back there.
void keepWindowPosition(QWidget *window) {
    if (QWindow *handle = window->windowHandle())
        handle->setPosition(window->geometry().topLeft());
}

} // namespace

// The editor works on a copy; the rotator keeps the list as last saved.
void FrmMain::LoadPictureList() {
    m_editor->setList(m_rotator.pictures());
}

// The rotator has loaded the record and the list; only the window's own
// position is read here.
void FrmMain::LoadSettings() {
    LoadPictureList();
    const StoredSettings stored = readSettings(m_services.store);
    restoreWindowPosition(stored.top, stored.left);
    showRecord();
    m_ui->labCurr->setText(m_rotator.currentTitle());
}

// The record into the controls, in the order that lets each click handler
// see the values before it.
void FrmMain::showRecord() {
    const Settings &record = m_rotator.settings();
    setMinutesText(TextForms::formatInt(record.MirellTime));
    select(m_optOrder, record.OrderMode);
    m_ui->chkFit->setChecked(record.Stretch);
    m_ui->chkShowStr->setChecked(record.ShowCaption);
    select(m_optType, record.CaptionType);
    m_ui->txtCapt->setText(record.CaptionString);
    setLabFont({record.FontName, double(record.FontSize), colorFromRgb(record.FontColor)});
    select(m_optLoc, record.Location);
    m_ui->cboMonitor->setCurrentIndex(record.MonitorMode);
    m_ui->chkOrient->setChecked(record.MatchOrientation);
}

void FrmMain::setMinutesText(const QString &text) {
    // The three-character limit is for typing; an interval stored longer
    // (4-digit minutes) must survive the round trip through the window.
    m_ui->txtMin->setMaxLength(std::max(3, int(text.size())));
    m_ui->txtMin->setText(text);
}

void FrmMain::setLabFont(const FontChoice &font) {
    m_ui->labFont->setText(font.name);
    QFont sample(font.name);
    sample.setPointSizeF(font.pointSize);
    m_ui->labFont->setFont(sample);
    QPalette palette = m_ui->labFont->palette();
    // All groups alike, so that the sample shows the colour while disabled.
    palette.setColor(QPalette::WindowText, font.color);
    m_ui->labFont->setPalette(palette);
}

FontChoice FrmMain::labFontChoice() const {
    return {m_ui->labFont->text(), m_ui->labFont->font().pointSizeF(),
            m_ui->labFont->palette().color(QPalette::Active, QPalette::WindowText)};
}

void FrmMain::restoreWindowPosition(const std::optional<double> &top,
                                    const std::optional<double> &left) {
    if (!top && !left)
        return;
    const QPoint target(left ? int(*left / TwipsPerPixel) : x(),
                        top ? int(*top / TwipsPerPixel) : y());
    // A position saved on a screen that is gone would hide the window for
    // good; its title bar must land on a screen that exists now.
    const QRect titleBar(target, QSize(width(), 24));
    const auto screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const QRect visible = screen->availableGeometry().intersected(titleBar);
        if (visible.width() >= 48 && visible.height() >= 8) {
            move(target);
            return;
        }
    }
}

void FrmMain::SavePictureList() {
    writePictureList(m_services.store, m_editor->list());
    m_rotator.setPictures(m_editor->list());
}

bool FrmMain::SaveSettings(Settings &record) {
    record = m_rotator.settings();
    record.MirellTime = TextForms::parseInt16(m_ui->txtMin->text().trimmed()).value_or(0);

    const int oldOrder = record.OrderMode;
    const bool switched =
        !(oldOrder >= 0 && oldOrder < int(m_optOrder.size()) && m_optOrder[oldOrder]->isChecked());
    record.OrderMode = selectedIndex(m_optOrder, record.OrderMode);
    record.Stretch = m_ui->chkFit->isChecked();
    record.ShowCaption = m_ui->chkShowStr->isChecked();
    record.CaptionType = selectedIndex(m_optType, record.CaptionType);
    record.CaptionString = m_ui->txtCapt->text();
    const FontChoice font = labFontChoice();
    record.FontName = font.name;
    record.FontSize = qint16(TextForms::roundHalfEven(font.pointSize));
    record.FontColor = rgbFromColor(font.color);
    record.Location = selectedIndex(m_optLoc, record.Location);
    record.MonitorMode = qint16(std::max(0, m_ui->cboMonitor->currentIndex()));
    record.MatchOrientation = m_ui->chkOrient->isChecked();

    writeSettings(m_services.store, record, y() * TwipsPerPixel, x() * TwipsPerPixel);
    return switched;
}

void FrmMain::syncStore() {
    // A failed write cannot be helped here; the values stay in memory.
    m_services.store.sync();
}

void FrmMain::confirm() {
    SavePictureList();

    const QString interval = m_ui->txtMin->text().trimmed();
    QString refusal;
    if (interval.isEmpty()) {
        refusal = NoInterval;
    } else {
        // An interval beyond 16 bits (an exponent fits in three characters)
        // cannot be kept, so it is refused like a negative one.
        const auto minutes = TextForms::parseInt16(interval);
        if (!minutes || *minutes < 0)
            refusal = BadInput;
    }
    if (!refusal.isEmpty()) {
        syncStore();
        m_services.dialogs.message(this, refusal, Dialogs::Icon::Exclamation);
        m_ui->sstTabs->setCurrentIndex(1);
        m_ui->txtMin->setFocus();
        return;
    }

    Settings record;
    const bool switched = SaveSettings(record);
    if (!m_services.store.sync()) {
        // Closing now would look like success and the next start would bring
        // the old values back. The rotator keeps running on what is on disk;
        // the window keeps the user's edits to retry.
        m_services.dialogs.message(this, SaveFailed, Dialogs::Icon::Critical);
        return;
    }
    keepWindowPosition(this);
    m_services.tray.AddIcon(windowIcon(), QStringLiteral("Mirell!"));
    leaveWindow();

    m_rotator.confirm(record, switched);
}

void FrmMain::discard() {
    keepWindowPosition(this);
    m_services.tray.AddIcon(windowIcon(), QStringLiteral("Mirell!"));
    LoadPictureList();
    showRecord();
    m_editor->disableSelectionButtons();
    leaveWindow();
}
