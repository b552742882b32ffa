#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>

// The notification-area icon as the main window uses it.
class TrayControl : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~TrayControl() override = default;

    virtual void AddIcon(const QIcon &icon, const QString &tip) = 0;
    virtual void RemoveIcon() = 0;
    // False where no notification area exists: the program must then stay
    // reachable through its window.
    virtual bool isAvailable() const = 0;
    // Shows a short text with the icon (failures the user should know about).
    virtual void setToolTipNote(const QString &note) = 0;

  signals:
    // button: 1 left, 2 right, 4 middle; clicks: 1 single, 2 double.
    void TrayClick(int button, int clicks);
};
