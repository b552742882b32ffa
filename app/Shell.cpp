#include "Shell.h"

#include "FrmMain.h"
#include "TrayIcon.h"
#include "WallpaperRotator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTimer>

namespace {

QString orderName(std::optional<Order> order) {
    if (!order)
        return QString();
    switch (*order) {
    case Order::List:
        return QStringLiteral("list");
    case Order::Shuffled:
        return QStringLiteral("shuffle");
    case Order::Random:
        return QStringLiteral("random");
    }
    return QString();
}

// Local time with its offset, so that a script elsewhere reads the same instant.
QString withOffset(const QDateTime &time) {
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

Shell::Shell(WallpaperRotator &rotator, FrmMain &window, TrayIcon &tray, QObject *parent)
    : QObject(parent), m_rotator(rotator), m_window(window), m_tray(tray),
      m_mnuPop(std::make_unique<QMenu>(QStringLiteral("POP"))) {
    m_mnuPop->setObjectName(QStringLiteral("mnuPop"));
    QAction *now = m_mnuPop->addAction(QStringLiteral("今すぐMirell!(&N)"));
    now->setObjectName(QStringLiteral("mnuNow"));
    m_mnuPop->addSeparator()->setObjectName(QStringLiteral("sep"));
    QAction *config = m_mnuPop->addAction(QStringLiteral("設定(&C)..."));
    config->setObjectName(QStringLiteral("mnuConfig"));
    m_mnuPop->addSeparator()->setObjectName(QStringLiteral("sep2"));
    QAction *quitAction = m_mnuPop->addAction(QStringLiteral("終了(&Q)"));
    quitAction->setObjectName(QStringLiteral("mnuQuit"));

    connect(now, &QAction::triggered, &m_rotator, &WallpaperRotator::RotationStep);
    connect(config, &QAction::triggered, &m_window, &FrmMain::openSettings);
    connect(quitAction, &QAction::triggered, &m_window, &FrmMain::quit);

    m_tray.setContextMenu(m_mnuPop.get());
    connect(&m_tray, &TrayControl::TrayClick, this, &Shell::trayClicked);
    connect(&m_rotator, &WallpaperRotator::noteChanged, &m_tray, &TrayIcon::setToolTipNote);
    connect(&m_rotator, &WallpaperRotator::failed, &m_tray, &TrayIcon::showWarning);
    m_tray.setToolTipNote(m_rotator.note());
}

Shell::~Shell() = default;

void Shell::trayClicked(int button, int clicks) {
    // The tray pops the menu itself on a right click.
    if (button == 1 && clicks == 2)
        m_window.openSettings();
}

bool Shell::runCommand(const QString &command, QByteArray *output) {
    if (command == QLatin1String("next")) {
        m_rotator.RotationStep();
    } else if (command == QLatin1String("settings")) {
        m_window.openSettings();
    } else if (command == QLatin1String("quit")) {
        // After the answer has gone out.
        QTimer::singleShot(0, &m_window, &FrmMain::quit);
    } else if (command == QLatin1String("pause") || command == QLatin1String("resume")) {
        m_rotator.setPaused(command == QLatin1String("pause"));
    } else if (command == QLatin1String("status")) {
        const WallpaperRotator::Status status = m_rotator.status();
        const QJsonObject object{
            {QStringLiteral("picture"), status.picture},
            {QStringLiteral("order"), orderName(status.order)},
            {QStringLiteral("interval"), status.interval},
            {QStringLiteral("paused"), status.paused},
            {QStringLiteral("next"),
             status.next.isValid() ? QJsonValue(withOffset(status.next)) : QJsonValue()},
        };
        *output = QJsonDocument(object).toJson(QJsonDocument::Compact);
    } else {
        return false;
    }
    return true;
}
