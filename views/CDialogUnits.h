#pragma once

#include <QFont>
#include <QRect>

class QWidget;

// Converts dialog-template coordinates (dialog units) to pixels with the
// average character size of the dialog's font, so that a dialog keeps its
// designed proportions whatever font the system substitutes.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int X(int nUnits) const;
    int Y(int nUnits) const;
    QRect Rect(int nX, int nY, int nWidth, int nHeight) const;
    // Places pWidget at the template's rectangle.
    void Place(QWidget* pWidget, int nX, int nY, int nWidth, int nHeight) const;

private:
    int m_nCharWidth;
    int m_nCharHeight;
};
