#include "TrayIcon.h"

TrayIcon::TrayIcon(QObject *parent) : TrayControl(parent) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
}

TrayIcon::~TrayIcon() {
    // Hide before the window goes, so no dead icon lingers in the tray.
    m_icon.hide();
}

void TrayIcon::AddIcon(const QIcon &icon, const QString &tip) {
    m_tip = tip;
    m_icon.setIcon(icon);
    updateToolTip();
    if (!m_icon.isVisible())
        m_icon.show();
    showPendingBalloon();
}

void TrayIcon::RemoveIcon() {
    m_icon.hide();
}

bool TrayIcon::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setToolTipNote(const QString &note) {
    m_note = note;
    updateToolTip();
    // A failure that repeats at every switch should not pop up every time.
    if (!note.isEmpty() && note != m_lastBalloon) {
        m_balloonPending = true;
        showPendingBalloon();
    }
}

std::optional<std::pair<int, int>> TrayIcon::clickFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Context:
        return std::pair{2, 1};
    case QSystemTrayIcon::DoubleClick:
        return std::pair{1, 2};
    case QSystemTrayIcon::Trigger:
        return std::pair{1, 1};
    case QSystemTrayIcon::MiddleClick:
        return std::pair{4, 1};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return std::nullopt;
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (const auto click = clickFor(reason))
        emit TrayClick(click->first, click->second);
}

void TrayIcon::updateToolTip() {
    m_icon.setToolTip(m_note.isEmpty() ? m_tip : m_tip + QLatin1Char('\n') + m_note);
}

void TrayIcon::showPendingBalloon() {
    // A balloon needs a visible icon to hang on; otherwise it waits for the next AddIcon.
    if (!m_balloonPending || !m_icon.isVisible())
        return;
    m_balloonPending = false;
    m_lastBalloon = m_note;
    m_icon.showMessage(m_tip, m_note, QSystemTrayIcon::Warning);
}
