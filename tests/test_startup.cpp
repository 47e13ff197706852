// Start-up, shut-down and the single-instance check of the window.
#include "support/FakeServices.h"

#include "ui/BoardView.h"
#include "ui/IconStore.h"
#include "ui/MouseSurface.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using W = PortWrite;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void portReceivesStartupSequenceThenNulreg();
    void windowStateAfterStartup();
    void buttonsSitWhereTheFormPutsThem();
    void cellsFollowTheCellRule();
    void pauseWaitsAtLeastItsTimeAndKeepsEventsFlowing();
    void closingDarkensTheMatrixAndEndsEverything();
    void secondInstanceReportsAfterItsPortWritesAndEnds();
};

void StartupTest::portReceivesStartupSequenceThenNulreg() {
    FormFixture f;
    std::vector<PortWrite> expected{W::control(247), W::control(0)};
    for (int i = 0; i < 15; ++i) {
        expected.push_back(W::control(251));
        expected.push_back(W::control(0));
    }
    for (W w : {W::control(2), W::data(0), W::control(1), W::data(0)})
        expected.push_back(w);
    QCOMPARE(f.port.writes(), expected);
    QCOMPARE(f->State.Counter, 16);
    QCOMPARE(f.instance.checks, 1);
    QVERIFY(!f->hasEnded());
}

void StartupTest::windowStateAfterStartup() {
    FormFixture f;
    Form1& w = *f;
    QCOMPARE(w.windowTitle(), QStringLiteral("QUENTARO - NEW"));
    QCOMPARE(w.size(), QSize(565, 326));
    QCOMPARE(w.Frame1->title(), QStringLiteral("Matrix "));
    QCOMPARE(w.Frame2->title(), QStringLiteral("Animation"));
    QCOMPARE(w.Frame3->title(), QStringLiteral("Speed"));
    QCOMPARE(w.Frame4->title(), QStringLiteral("Image"));
    QCOMPARE(w.Label1->text(), QStringLiteral("3,3 Hz"));
    QCOMPARE(w.Label2->text(), QStringLiteral("1/1"));

    const QList<QToolButton*> hidden{w.Command21, w.Command22, w.Command23, w.Command24,
                                     w.Command26};
    const QList<QToolButton*> all = w.findChildren<QToolButton*>();
    QCOMPARE(all.size(), 29);
    for (QToolButton* b : all) {
        QCOMPARE(b->isHidden(), hidden.contains(b));
        QVERIFY(!b->icon().isNull());
        QVERIFY(!b->toolTip().isEmpty());
        QVERIFY(b->text().isEmpty());
    }
    for (IconStore* s : w.findChildren<IconStore*>())
        QVERIFY(s->isHidden());

    QCOMPARE(w.Command12->icon().cacheKey(), w.Image4->icon().cacheKey());
    QCOMPARE(w.Command12->toolTip(), QStringLiteral("Set all"));
    QCOMPARE(w.Command33->icon().cacheKey(), w.Image6->icon().cacheKey());
    QCOMPARE(w.Command33->toolTip(), QStringLiteral("Start"));
    QCOMPARE(w.Command19->icon().cacheKey(), w.Image9->icon().cacheKey());
    QCOMPARE(w.Command19->toolTip(), QStringLiteral("LPT on"));
    QCOMPARE(w.Command27->icon().cacheKey(), w.Image10->icon().cacheKey());
    QCOMPARE(w.Command27->toolTip(), QStringLiteral("Matrix off"));
    // The stores hold six different pictures.
    QSet<qint64> keys;
    for (IconStore* s :
         {w.Image4, w.Image5, w.Image6, w.Image7, w.Image8, w.Image9, w.Image10, w.Image11})
        keys.insert(s->icon().cacheKey());
    QCOMPARE(keys.size(), 8);

    QVERIFY(!w.Timer2->isActive());
    QCOMPARE(w.Timer2->interval(), 1000);
    QCOMPARE(w.Timer2->timerType(), Qt::PreciseTimer);
    QVERIFY(!w.Timer1->isActive());

    QCOMPARE(w.State.Frames, std::vector<std::uint8_t>(256, 0));
    QCOMPARE(w.State.CurrentImage, 1);
    QCOMPARE(w.State.ImageCount, 1);
    QCOMPARE(w.State.IntervalMs, std::int16_t(301));
    QCOMPARE(w.State.Cell, 256);
    QCOMPARE(w.Image1->shownCount(), 0);
}

void StartupTest::buttonsSitWhereTheFormPutsThem() {
    FormFixture f;
    Form1& w = *f;
    QCOMPARE(w.Frame1->geometry(), QRect(11, 5, 305, 313));
    QCOMPARE(w.Frame3->geometry(), QRect(325, 5, 233, 49));
    QCOMPARE(w.Command1->geometry(), QRect(8, 16, 33, 25));
    QCOMPARE(w.Command2->geometry(), QRect(48, 16, 25, 25));
    QCOMPARE(w.Command5->geometry(), QRect(8, 16, 49, 25));
    QCOMPARE(w.Command16->geometry(), QRect(176, 80, 49, 25));
    QCOMPARE(w.Command19->geometry(), QRect(160, 112, 65, 25));
    QCOMPARE(w.Label2->geometry(), QRect(80, 48, 73, 25));
    QCOMPARE(w.Image1->geometry(), QRect(8, 16, 289, 289));
    QCOMPARE(w.Image3->geometry(), QRect(24, 32, 257, 257));
    QCOMPARE(w.Command1->iconSize(), QSize(21, 21));
    QCOMPARE(w.Command1->palette().color(QPalette::Button), QColor(192, 192, 192));
    QVERIFY(w.Command21->palette().color(QPalette::Button) != QColor(192, 192, 192));
    QVERIFY(w.Image3->hasMouseTracking());
}

void StartupTest::cellsFollowTheCellRule() {
    // Cell origins in twips inside the "Matrix " group, through the board's pixel grid.
    auto originTwips = [](int cell) { return (BoardView::cellOrigin(cell) + QPoint(8, 16)) * 15; };
    QCOMPARE(originTwips(0), QPoint(360, 480));
    QCOMPARE(originTwips(15), QPoint(3960, 480));
    QCOMPARE(originTwips(17), QPoint(600, 720));
    QCOMPARE(originTwips(240), QPoint(360, 4080));
    QCOMPARE(originTwips(255), QPoint(3960, 4080));
}

void StartupTest::pauseWaitsAtLeastItsTimeAndKeepsEventsFlowing() {
    FormFixture f;
    f.clock.setStep(std::chrono::microseconds(7));
    QObject guard; // drops what is still queued when the test ends
    bool ran = false;
    QTimer::singleShot(0, &guard, [&] { ran = true; });
    const int before = f.clock.reads();
    f->Pause(0.00005f);
    // 50 us at 7 us a reading: the deadline is passed on the eighth reading after the start.
    QCOMPARE(f.clock.reads() - before, 9);
    QVERIFY(ran);

    ran = false;
    QTimer::singleShot(0, &guard, [&] { ran = true; });
    f->Pause(0);
    QVERIFY(!ran);
}

void StartupTest::closingDarkensTheMatrixAndEndsEverything() {
    FormFixture f;
    f->show();
    f->Command33_Click(); // playing
    QVERIFY(f->Timer2->isActive());
    f.port.clear();
    QVERIFY(f->close());
    const std::vector<PortWrite> nulreg{W::control(2), W::data(0), W::control(1), W::data(0)};
    QCOMPARE(f.port.writes(), nulreg);
    QVERIFY(f->hasEnded());
    QCOMPARE(f.programEnds, 1);
    QVERIFY(!f->Timer2->isActive());

    // Nothing reaches the port any more, from a click or from a handler in progress.
    f->Command6->click();
    f->Nulreg();
    QCOMPARE(f.port.count(), std::size_t(4));
}

void StartupTest::secondInstanceReportsAfterItsPortWritesAndEnds() {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // The start-up pauses process events too, so wait for the box to appear.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    poll.start();
    FormFixture f(true);
    QCOMPARE(title, QStringLiteral("Attention!"));
    QCOMPARE(text, QStringLiteral("Program already started!!!"));
    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(f->hasEnded());
    QCOMPARE(f.programEnds, 1);
    // Its start-up writes went out before the message: 32 control writes and a clear.
    QCOMPARE(f.port.count(), std::size_t(36));
    f->close();
    QCOMPARE(f.port.count(), std::size_t(36));
}

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
