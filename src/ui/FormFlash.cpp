#include "ui/FormFlash.h"

#include "ProgramInfo.h"
#include "ui/Design.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

QLabel* overlayLabel(QWidget* parent, const QString& name, const QString& text, int left,
                     int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(DesignFont(8.25));
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->move(TwipsToPixels(left), TwipsToPixels(top));
    label->adjustSize();
    return label;
}

} // namespace

FormFlash::Timings& FormFlash::timings()
{
    static Timings instance;
    return instance;
}

FormFlash::FormFlash(bool aboutMode, QWidget* owner)
    : QDialog(owner, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         (aboutMode ? Qt::Dialog : Qt::SplashScreen))
    , aboutMode_(aboutMode)
    , picture_(QStringLiteral(":/splash.png"))
    , timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("FormFlash"));
    setAttribute(Qt::WA_DeleteOnClose, !aboutMode);
    setFixedSize(TwipsToPixels(6300), TwipsToPixels(3450));
    labelVer_ = overlayLabel(this, QStringLiteral("LabelVer"),
                             QStringLiteral("Version ") + ProgramShortVersion, 135, 2535);
    labelCopyright_ = overlayLabel(
        this, QStringLiteral("LabelCopyright"),
        QStringLiteral("Copyright \u00A9 2026 Corvella Software. All rights reserved."), 135, 2895);
    labelVer_->installEventFilter(this);
    labelCopyright_->installEventFilter(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setSingleShot(true);
    timer_->setInterval(2000);
    connect(timer_, &QTimer::timeout, this, &FormFlash::close);
    Form_Load();
}

void FormFlash::Form_Load()
{
    for (QLabel* label : {labelVer_, labelCopyright_}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, label == labelVer_ ? Qt::white : Qt::black);
        label->setPalette(palette);
    }
    setWindowTitle(ProgramTitle);
    // Top-most comes with the window flags.
    CentreOnScreen(this);

    timer_->stop();
    timer_->setInterval(aboutMode_ ? timings().aboutMs : timings().startUpMs);
    timer_->start();
}

void FormFlash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!picture_.isNull())
        painter.drawPixmap(rect(), picture_);
    else
        painter.fillRect(rect(), palette().window());
}

void FormFlash::mouseReleaseEvent(QMouseEvent* event)
{
    // A click on the picture closes the window.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        close();
}

bool FormFlash::eventFilter(QObject* watched, QEvent* event)
{
    // A click on a label does nothing.
    if ((watched == labelVer_ || watched == labelCopyright_) &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonRelease ||
         event->type() == QEvent::MouseButtonDblClick))
        return true;
    return QDialog::eventFilter(watched, event);
}

void FormFlash::keyPressEvent(QKeyEvent* event)
{
    // Esc closes the window the way a click does, so at start-up the main
    // window opens. QDialog would only hide it, without a close event.
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormFlash::closeEvent(QCloseEvent* event)
{
    timer_->stop();
    QDialog::closeEvent(event);
    if (event->isAccepted())
        Form_Unload();
}

void FormFlash::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    if (!aboutMode_)
        Q_EMIT startUpFinished();
}
