#include "Shell.h"

#include "FrmMain.h"
#include "TrayIcon.h"
#include "WallpaperRotator.h"

#include <QJsonArray>
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
    QAction *back = m_mnuPop->addAction(QStringLiteral("前の壁紙(&B)"));
    back->setObjectName(QStringLiteral("mnuBack"));
    QAction *remove = m_mnuPop->addAction(QStringLiteral("この壁紙を外す(&X)"));
    remove->setObjectName(QStringLiteral("mnuRemove"));
    m_mnuPop->addSeparator()->setObjectName(QStringLiteral("sep"));
    QAction *config = m_mnuPop->addAction(QStringLiteral("設定(&C)..."));
    config->setObjectName(QStringLiteral("mnuConfig"));
    m_mnuPop->addSeparator()->setObjectName(QStringLiteral("sep2"));
    QAction *quitAction = m_mnuPop->addAction(QStringLiteral("終了(&Q)"));
    quitAction->setObjectName(QStringLiteral("mnuQuit"));

    connect(now, &QAction::triggered, &m_rotator, &WallpaperRotator::next);
    connect(back, &QAction::triggered, &m_rotator, &WallpaperRotator::previous);
    connect(remove, &QAction::triggered, this, [this] { removeCurrent(); });
    // While the settings window is open it owns the list.
    connect(m_mnuPop.get(), &QMenu::aboutToShow, this, [this, back, remove] {
        back->setEnabled(m_rotator.hasPrevious());
        remove->setEnabled(!m_window.isVisible() && m_rotator.currentLine() >= 0);
    });
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

QString Shell::removeCurrent() {
    if (m_window.isVisible())
        return QStringLiteral("the settings window is open; remove the picture there");
    return m_rotator.removeCurrent();
}

bool Shell::runCommand(const QString &command, QByteArray *output) {
    if (command == QLatin1String("next")) {
        m_rotator.next();
    } else if (command == QLatin1String("previous")) {
        m_rotator.previous();
    } else if (command == QLatin1String("remove-current")) {
        const QString refusal = removeCurrent();
        *output = refusal.toUtf8();
        return refusal.isEmpty();
    } else if (command == QLatin1String("history")) {
        for (const History::Entry &entry : m_rotator.history().entries())
            *output += entry.path.toUtf8() + '\n';
    } else if (command == QLatin1String("settings")) {
        m_window.openSettings();
    } else if (command == QLatin1String("quit")) {
        // After the answer has gone out.
        QTimer::singleShot(0, &m_window, &FrmMain::quit);
    } else if (command == QLatin1String("pause") || command == QLatin1String("resume")) {
        m_rotator.setPaused(command == QLatin1String("pause"));
    } else if (command == QLatin1String("status")) {
        const WallpaperRotator::Status status = m_rotator.status();
        QJsonArray history;
        for (const History::Entry &entry : m_rotator.history().entries())
            history.append(QJsonObject{{QStringLiteral("picture"), entry.path},
                                       {QStringLiteral("shown"), withOffset(entry.shown)}});
        QJsonArray monitors;
        for (const Composer::Shown &shown : status.monitors) {
            const QRect g = shown.monitor.geometry;
            monitors.append(QJsonObject{
                {QStringLiteral("name"), shown.monitor.name},
                {QStringLiteral("geometry"), QJsonObject{{QStringLiteral("x"), g.x()},
                                                         {QStringLiteral("y"), g.y()},
                                                         {QStringLiteral("width"), g.width()},
                                                         {QStringLiteral("height"), g.height()}}},
                {QStringLiteral("picture"), shown.picture}});
        }
        const QJsonObject object{
            {QStringLiteral("picture"), status.picture},
            {QStringLiteral("order"), orderName(status.order)},
            {QStringLiteral("interval"), status.interval},
            {QStringLiteral("paused"), status.paused},
            {QStringLiteral("next"),
             status.next.isValid() ? QJsonValue(withOffset(status.next)) : QJsonValue()},
            {QStringLiteral("history"), history},
            {QStringLiteral("monitors"), monitors},
            {QStringLiteral("source"), status.source},
        };
        *output = QJsonDocument(object).toJson(QJsonDocument::Compact);
    } else {
        return false;
    }
    return true;
}
