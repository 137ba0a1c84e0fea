#include "TxUnitsForm.h"

#include "TxFields.h"
#include "TxKeys.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

int UnitsPopupHeight(int count, int itemHeight)
{
    // (2 count + 1) h / 2, an exact half rounded to the even neighbour.
    const long long twice = (2LL * count + 1) * itemHeight;
    long long q = twice / 2;
    if (twice % 2 != 0 && q % 2 != 0)
        ++q;
    return static_cast<int>(q);
}

int UnitsPopupWidth(int widestLabel)
{
    return 10 + std::max(50, widestLabel);
}

QPoint UnitsPopupPos(const QPoint& topLeft, const QSize& size, const QRect& screen)
{
    if (!screen.isValid())
        return topLeft;
    int x = topLeft.x();
    int y = topLeft.y();
    if (x + size.width() > screen.x() + screen.width())
        x = screen.x() + screen.width() - size.width();
    if (y + size.height() > screen.y() + screen.height())
        y = screen.y() + screen.height() - size.height();
    return QPoint(std::max(x, screen.x()), std::max(y, screen.y()));
}

void TClosingList::keyPressEvent(QKeyEvent* e)
{
    switch (VirtualKeyOf(*e)) {
    case VK_RETURN:
    case VK_ESCAPE:
        e->accept();
        emit closeRequested();
        return;
    default:
        QListWidget::keyPressEvent(e);
    }
}

void TUnitsList::mousePressEvent(QMouseEvent* e)
{
    QListWidget::mousePressEvent(e);
    const QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid())
        setCurrentRow(index.row());
    emit closeRequested();
}

TUnitsForm::TUnitsForm(QWidget* parent)
    : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), ListBox1(new TUnitsList(this))
{
    setWindowTitle(QStringLiteral("Units"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setUniformItemSizes(true);
    layout->addWidget(ListBox1);
    resize(135, 147);
    // Whatever closes the pop-up, the highlighted unit is the choice.
    connect(ListBox1, &TUnitsList::closeRequested, this, &QDialog::accept);
}

void TUnitsForm::FillUnitList(TUnitsType kind, int current)
{
    ListBox1->clear();
    const QStringList labels = GetUnitsLabels(kind);
    ListBox1->addItems(labels);
    if (current >= 0 && current < labels.size())
        ListBox1->setCurrentRow(current);
    if (labels.isEmpty())
        return;
    const int itemHeight = std::max(1, ListBox1->sizeHintForRow(0));
    const QFontMetrics metrics(ListBox1->font());
    int widest = 0;
    for (const QString& label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    setFixedSize(UnitsPopupWidth(widest), UnitsPopupHeight(static_cast<int>(labels.size()), itemHeight));
}

void TUnitsForm::PlaceAt(const QPoint& topLeft)
{
    const QScreen* screen = QGuiApplication::screenAt(topLeft);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    move(screen ? UnitsPopupPos(topLeft, size(), screen->availableGeometry()) : topLeft);
}

int TUnitsForm::SelectedIndex() const
{
    return ListBox1->currentRow();
}

void TUnitsForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ListBox1->setFocus(Qt::PopupFocusReason);
}

int TUnitsForm::ChooseUnits(TUnitsType kind, int current, const QPoint& topLeft)
{
    if (GetUnitsCount(kind) == 0)
        return -1;
    TUnitsForm form;
    form.FillUnitList(kind, current);
    form.PlaceAt(topLeft);
    form.exec();
    return form.SelectedIndex();
}

bool TUnitsForm::ChooseFieldUnits(TNumField& field, const QPoint& topLeft)
{
    const int index = ChooseUnits(field.UnitsType, field.UnitsValue, topLeft);
    if (index < 0)
        return false;
    field.UnitsValue = index;
    return true;
}
