#include "views/CDialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <QWidget>

namespace {

// The average width is taken over the 52 Latin letters, rounded to the
// nearest pixel, as dialog templates expect.
int AverageCharWidth(const QFontMetrics& metrics) {
    const QString strLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(strLetters) / 26 + 1) / 2;
}

} // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_nCharWidth = qMax(1, AverageCharWidth(metrics));
    m_nCharHeight = qMax(1, metrics.height());
}

int CDialogUnits::X(int nUnits) const {
    return nUnits * m_nCharWidth / 4;
}

int CDialogUnits::Y(int nUnits) const {
    return nUnits * m_nCharHeight / 8;
}

QRect CDialogUnits::Rect(int nX, int nY, int nWidth, int nHeight) const {
    return QRect(X(nX), Y(nY), X(nWidth), Y(nHeight));
}

void CDialogUnits::Place(QWidget* pWidget, int nX, int nY, int nWidth, int nHeight) const {
    pWidget->setGeometry(Rect(nX, nY, nWidth, nHeight));
}
