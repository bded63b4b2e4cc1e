#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QTimer;

// The splash window, which is also the About box: a borderless picture that
// stays on top of all windows until its timer fires or the picture is
// clicked. At start-up it hands over to the main window when it closes.
class FormFlash final : public QDialog
{
    Q_OBJECT
public:
    // How long the window stays, in milliseconds; tests shorten these.
    struct Timings
    {
        int startUpMs = 1500;
        int aboutMs = 50000;
    };
    static Timings& timings();

    // aboutMode: shown as the About box (modal, nothing follows) rather than
    // as the start-up splash.
    explicit FormFlash(bool aboutMode, QWidget* owner = nullptr);

    QLabel* LabelVer() const { return labelVer_; }
    QLabel* LabelCopyright() const { return labelCopyright_; }
    QTimer* Timer1() const { return timer_; }
    bool aboutMode() const { return aboutMode_; }

Q_SIGNALS:
    // The start-up splash has closed: time to show the main window.
    void startUpFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();

    bool aboutMode_;
    bool unloaded_ = false;
    QPixmap picture_;
    QLabel* labelVer_;
    QLabel* labelCopyright_;
    QTimer* timer_;
};
