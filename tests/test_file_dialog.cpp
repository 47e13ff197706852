// The Qt file dialog behind the file commands.
#include "ui/QtCommonDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const FileDialogRequest SaveLed{FileDialogRequest::Kind::Save,
                                QStringLiteral("Файлы команд (*.led)|*.led|Все файлы(*.*)|*.*|"),
                                QStringLiteral("*.txt"), QStringLiteral(" ")};

// Shows the dialog for `request` and lets `act` work it once it is open.
std::optional<QString> runDialog(const FileDialogRequest& request,
                                 const std::function<void(QFileDialog&)>& act) {
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            act(*d);
            if (d->isVisible()) // a failed check above must not leave the dialog open
                d->reject();
        }
    });
    poll.start();
    QtCommonDialog dialog;
    return dialog.show(request);
}

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
    void filterListsBecomeNameFilters();
    void saveAppendsLedOnlyUnderTheLedFilter();
    void openTakesAnyNameAndCancelIsNothing();
};

void FileDialogTest::filterListsBecomeNameFilters() {
    QCOMPARE(QtCommonDialog::nameFilters(QStringLiteral("Файлы команд (*.led)|*.led|")),
             QStringList{QStringLiteral("Файлы команд (*.led)")});
    QCOMPARE(
        QtCommonDialog::nameFilters(SaveLed.filter),
        QStringList({QStringLiteral("Файлы команд (*.led)"), QStringLiteral("Все файлы(*.*)")}));
}

void FileDialogTest::saveAppendsLedOnlyUnderTheLedFilter() {
    QTemporaryDir dir;
    auto save = [&](const QString& typed, int filter) {
        return runDialog(SaveLed, [&](QFileDialog& d) {
            QCOMPARE(d.acceptMode(), QFileDialog::AcceptSave);
            auto* name = d.findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name->text().isEmpty());
            auto* types = d.findChild<QComboBox*>("fileTypeCombo");
            types->setCurrentIndex(filter);
            emit types->activated(filter);
            emit types->textActivated(types->currentText());
            d.setDirectory(dir.path());
            name->setText(typed);
            static_cast<QDialog&>(d).accept();
        });
    };
    QCOMPARE(save("anim", 0), std::optional(dir.filePath("anim.led")));
    QCOMPARE(save("anim", 1), std::optional(dir.filePath("anim")));
}

void FileDialogTest::openTakesAnyNameAndCancelIsNothing() {
    QTemporaryDir dir;
    const FileDialogRequest open{FileDialogRequest::Kind::Open,
                                 QStringLiteral("Файлы команд (*.pat)|*.pat|"),
                                 QStringLiteral("*.pat"), QStringLiteral(" ")};
    const auto chosen = runDialog(open, [&](QFileDialog& d) {
        QCOMPARE(d.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(d.nameFilters(), QStringList{QStringLiteral("Файлы команд (*.pat)")});
        d.setDirectory(dir.path());
        d.findChild<QLineEdit*>("fileNameEdit")->setText("not there.pat");
        static_cast<QDialog&>(d).accept();
    });
    QCOMPARE(chosen, std::optional(dir.filePath("not there.pat")));
    QVERIFY(!runDialog(open, [](QFileDialog& d) { d.reject(); }));
}

QTEST_MAIN(FileDialogTest)
#include "test_file_dialog.moc"
