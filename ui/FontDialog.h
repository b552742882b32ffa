#pragma once

#include "Dialogs.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

// The caption font choice: typeface, a whole size from 8 to 36 points and a
// colour, with a sample. QFontDialog can neither limit sizes nor pick colours.
class FontDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int MinSize = 8;
    static constexpr int MaxSize = 36;

    explicit FontDialog(const FontChoice &initial, QWidget *parent = nullptr);

    // Shows the dialog modally; nullopt when cancelled.
    static std::optional<FontChoice> ask(QWidget *parent, const FontChoice &initial);

    void setChoice(const FontChoice &choice);
    FontChoice choice() const;
    // The choice once accepted; nullopt while open or after a cancel.
    std::optional<FontChoice> chosen() const;

    // The sizes the list offers before anything is typed.
    static QList<int> standardSizes();

  private:
    void setColor(const QColor &color);
    void pickColor();
    int currentSize() const;
    void updateSample();

    QComboBox *m_family;
    QComboBox *m_size;
    QPushButton *m_colorButton;
    QLabel *m_sample;
    QColor m_color;
    int m_lastValidSize = 12;
};
