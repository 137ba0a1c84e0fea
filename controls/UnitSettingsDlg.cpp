#include "UnitSettingsDlg.h"

#include "CompactToolButton.h"
#include "TxEventGuard.h"
#include "TxKeyNavigate.h"
#include "TxPlacement.h"
#include "UnitsManager.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The frame of a tool window, which the old window's size limits counted.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 24;

QIcon DrawPicture(int index)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0: { // a tick: done
        QPen pen(QColor(0, 128, 0), 2.5);
        p.setPen(pen);
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.5, 12.5);
        tick.lineTo(13.5, 3.5);
        p.drawPath(tick);
        break;
    }
    case 1: { // a ruler: units
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(1, 5, 14, 7), QColor(240, 200, 60));
        p.setPen(QColor(90, 70, 0));
        p.drawRect(QRect(1, 5, 13, 6));
        for (int x = 3; x < 14; x += 2)
            p.drawLine(x, 6, x, x % 4 == 3 ? 9 : 7);
        break;
    }
    case 2:   // a box with a plus: expand
    case 3: { // a box with a minus: collapse
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(2, 2, 12, 12), Qt::white);
        p.setPen(QColor(96, 96, 96));
        p.drawRect(QRect(2, 2, 11, 11));
        p.setPen(QPen(QColor(0, 0, 128), 2));
        p.drawLine(5, 8, 11, 8);
        if (index == 2)
            p.drawLine(8, 5, 8, 11);
        break;
    }
    default:
        break;
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

TUnitSettingsForm::TUnitSettingsForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UnitSettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    // A sizeable tool window with only the system menu.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    for (int i = 0; i < static_cast<int>(ImageList1.size()); ++i)
        ImageList1[static_cast<size_t>(i)] = DrawPicture(i);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    // Room for the captions in the narrow window.
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(0);
    AcceptBtn = AddButton(QStringLiteral("AcceptBtn"), QStringLiteral("&Close"), 0);
    ToolButton3 = AddSeparator(QStringLiteral("ToolButton3"));
    MetricBtn = AddButton(QStringLiteral("MetricBtn"), QStringLiteral("&Metric"), 1);
    ImperialBtn = AddButton(QStringLiteral("ImperialBtn"), QStringLiteral("&Imperial"), 1);
    ToolButton4 = AddSeparator(QStringLiteral("ToolButton4"));
    ExpandAllBtn = AddButton(QStringLiteral("ExpandAllBtn"), QStringLiteral("Expand"), 2);
    CollapseAllBtn = AddButton(QStringLiteral("CollapseAllBtn"), QStringLiteral("Collapse"), 3);
    layout->addWidget(ToolBar1);

    UnitsTree = new TVirtualPropertyTree(this);
    UnitsTree->setObjectName(QStringLiteral("UnitsTree"));
    UnitsTree->SetColor(QColor(252, 251, 248));
    UnitsTree->SetGridLineColor(QColor(192, 192, 192));
    UnitsTree->SetDefaultNodeHeight(16);
    UnitsTree->SetMargin(16);
    UnitsTree->SetTextMargin(3);
    UnitsTree->OnEdited = [this](TVirtualPropertyTree* sender, PVirtualNode node, int column) {
        UnitsTreeEdited(sender, node, column);
    };
    layout->addWidget(UnitsTree, 1);

    connect(AcceptBtn, &QToolButton::clicked, this, [this] { Guarded([this] { AcceptBtnClick(); }); });
    connect(MetricBtn, &QToolButton::clicked, this, [this] { Guarded([this] { MetricBtnClick(); }); });
    connect(ImperialBtn, &QToolButton::clicked, this, [this] { Guarded([this] { ImperialBtnClick(); }); });
    connect(ExpandAllBtn, &QToolButton::clicked, this, [this] { Guarded([this] { ExpandAllBtnClick(); }); });
    connect(CollapseAllBtn, &QToolButton::clicked, this, [this] { Guarded([this] { CollapseAllBtnClick(); }); });

    setMinimumSize(180 - kFrameWidth, 300 - kFrameHeight);
    resize(266, 285);
    move(219, 154);

    // Key preview: the window sees every key before its controls.
    qApp->installEventFilter(this);

    Guarded([this] { FormCreate(); });
}

TUnitSettingsForm::~TUnitSettingsForm()
{
    qApp->removeEventFilter(this);
}

QToolButton* TUnitSettingsForm::AddButton(const QString& name, const QString& caption, int picture)
{
    auto* button = new TCompactToolButton(ToolBar1);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(ImageList1[static_cast<size_t>(picture)]);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumSize(47, 36);
    ToolBar1->addWidget(button);
    return button;
}

QWidget* TUnitSettingsForm::AddSeparator(const QString& name)
{
    auto* separator = new QWidget(ToolBar1);
    separator->setObjectName(name);
    separator->setFixedWidth(8);
    ToolBar1->addWidget(separator);
    return separator;
}

void TUnitSettingsForm::FormCreate()
{
    LoadFormPlacementIni(this);
}

void TUnitSettingsForm::FormActivate()
{
    if (!FNotFilled)
        return;
    FNotFilled = false;
    UnitsTree->Clear();
    UnitsTree->FieldList().Clear();
    for (TUnitsCtrl* ctrl : UnitsCtrls)
        UnitsTree->AddListField(ctrl->Group, ctrl->Name, ctrl->GetUnitIndex(), GetUnitsLabels(ctrl->Field.UnitsType),
                                ctrl);
    UnitsTree->Rebuild();
}

void TUnitSettingsForm::FormDeactivate()
{
    SaveFormPlacementIni(this);
}

void TUnitSettingsForm::FormKeyDown(int& key, TShiftState)
{
    FormKeyNavigate(this, key);
}

void TUnitSettingsForm::AcceptBtnClick()
{
    close();
}

void TUnitSettingsForm::MetricBtnClick()
{
    SetMetricUnits();
    RefreshUnitFields();
}

void TUnitSettingsForm::ImperialBtnClick()
{
    SetImperialUnits();
    RefreshUnitFields();
}

void TUnitSettingsForm::ExpandAllBtnClick()
{
    UnitsTree->FullExpand();
}

void TUnitSettingsForm::CollapseAllBtnClick()
{
    UnitsTree->FullCollapse();
}

void TUnitSettingsForm::UnitsTreeEdited(TVirtualPropertyTree*, PVirtualNode node, int)
{
    const TTreeField* field = UnitsTree->GetNodeField(node);
    if (!field || !field->Data || !field->Value)
        return;
    static_cast<TUnitsCtrl*>(field->Data)->SetUnitIndex(*static_cast<const int32_t*>(field->Value));
}

void TUnitSettingsForm::RefreshUnitFields()
{
    TPropertyFieldList& fields = UnitsTree->FieldList();
    for (int i = 0; i < fields.Count(); ++i) {
        TTreeField* field = fields.Field(i);
        if (field->Data && field->Value)
            *static_cast<int32_t*>(field->Value) = static_cast<const TUnitsCtrl*>(field->Data)->GetUnitIndex();
    }
    UnitsTree->Rebuild();
}

void TUnitSettingsForm::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        FActive = true;
        Guarded([this] { FormActivate(); });
    } else if (FActive) {
        FActive = false;
        Guarded([this] { FormDeactivate(); });
    }
}

void TUnitSettingsForm::hideEvent(QHideEvent* e)
{
    // Closing deactivates the window, also where the platform reports it
    // only after the window has gone.
    if (FActive) {
        FActive = false;
        Guarded([this] { FormDeactivate(); });
    }
    QDialog::hideEvent(e);
}

void TUnitSettingsForm::keyPressEvent(QKeyEvent* e)
{
    // No cancel: Escape does not close the window.
    if (VirtualKeyOf(*e) == VK_ESCAPE && ShiftStateOf(e->modifiers()) == 0) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TUnitSettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget())
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !isAncestorOf(widget))
        return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    int key = VirtualKeyOf(*ke);
    if (key == VK_NONE)
        return false;
    bool taken = false;
    Guarded([&] {
        FormKeyDown(key, ShiftStateOf(ke->modifiers()));
        taken = key == VK_NONE;
    });
    if (taken)
        ke->accept();
    return taken;
}
