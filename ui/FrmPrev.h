#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

class QLabel;

// The preview window: a small tool window beside the settings window that
// shows one picture stretched to a fifth of the screen width. It deletes
// itself when the user closes it; hold it in a QPointer and create it again
// when that is null, so that a new one opens centred on its owner.
class FrmPrev : public QWidget {
    Q_OBJECT
  public:
    explicit FrmPrev(QWidget *owner);

    // Loads the picture, sizes the window to the preview, titles it and shows
    // it without blocking the owner. False, with the window left as it was,
    // when the file cannot be loaded.
    bool showPicture(const QString &path, const QString &title, int screenWidthPixels);

    // A fifth of the screen width (truncated) is the width of a landscape
    // picture and the height of any other; the other side follows the
    // picture's proportions, truncated. Invalid for an empty picture.
    static QSize previewSize(const QSize &picture, int screenWidth);
    // "1600×1200": the picture's own pixels, not the size shown.
    static QString sizeTooltip(const QSize &picture);

  private:
    void centreOnOwner();

    QLabel *m_imgPrev;
    bool m_placed = false;
};
