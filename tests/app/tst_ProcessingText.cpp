#include "NumberText.h"
#include "ReturnTime.h"

#include <QLocale>
#include <QTest>

using namespace corvanth;

class ProcessingTextTest : public QObject {
    Q_OBJECT
private slots:
    void returnTime_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "00:00:00";
        QTest::newRow("59 seconds") << 59.0 << "00:00:59";
        QTest::newRow("one of each") << 3661.0 << "01:01:01";
        QTest::newRow("100 hours") << 360000.0 << "100:00:00";
        QTest::newRow("minus 5 seconds") << -5.0 << "-01:59:55";
        QTest::newRow("minus one hour and a second") << -3601.0 << "-02:59:59";
        QTest::newRow("a day") << 86400.0 << "24:00:00";
        QTest::newRow("fraction rounds") << 61.4 << "00:01:01";
        QTest::newRow("fraction rounds up") << 61.6 << "00:01:02";
    }
    void returnTime() {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(ReturnTime(seconds), text);
    }

    void thousands_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero is empty") << 0.0 << "";
        QTest::newRow("below a half is zero") << 0.4 << "";
        QTest::newRow("one") << 1.0 << "1";
        QTest::newRow("three digits") << 999.0 << "999";
        QTest::newRow("four digits") << 1000.0 << "1,000";
        QTest::newRow("a million") << 1234567.0 << "1,234,567";
        QTest::newRow("rounded") << 1499.6 << "1,500";
        QTest::newRow("negative") << -12345.0 << "-12,345";
    }
    void thousands() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(ThousandsFormat(value, QLocale::c()), text);
    }

    void thousandsFollowsTheLocale() {
        const QLocale german(QLocale::German, QLocale::Germany);
        const QString sep = german.groupSeparator();
        QCOMPARE(ThousandsFormat(1234567.0, german), QStringLiteral("1") + sep + "234" + sep + "567");
        QCOMPARE(ReadNumber(ThousandsFormat(1234567.0, german), german), std::optional<double>(1234567.0));
    }

    void readNumber() {
        const QLocale c = QLocale::c();
        QCOMPARE(ReadNumber(QStringLiteral("1,000"), c), std::optional<double>(1000.0));
        QCOMPARE(ReadNumber(QStringLiteral("1.0"), c), std::optional<double>(1.0));
        QVERIFY(!ReadNumber(QString(), c));
        QVERIFY(!ReadNumber(QStringLiteral("abc"), c));
    }

    void halvesToEven() {
        QCOMPARE(RoundHalfEven(42.5), std::int64_t{42});
        QCOMPARE(RoundHalfEven(43.5), std::int64_t{44});
        QCOMPARE(RoundHalfEven(42.4), std::int64_t{42});
        QCOMPARE(RoundHalfEven(42.6), std::int64_t{43});
        QCOMPARE(RoundHalfEven(0.5), std::int64_t{0});
        QCOMPARE(RoundHalfEven(-0.5), std::int64_t{0});
        QCOMPARE(RoundHalfEven(-1.5), std::int64_t{-2});
        QCOMPARE(RoundHalfEven(100.0), std::int64_t{100});
    }

    void tickInterval_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval");
        QTest::newRow("default") << "100" << 100;
        QTest::newRow("smallest") << "1" << 1;
        QTest::newRow("largest") << "65535" << 65535;
        QTest::newRow("blanks") << " 250 " << 250;
        QTest::newRow("zero") << "0" << -1;
        QTest::newRow("too large") << "65536" << -1;
        QTest::newRow("negative") << "-5" << -1;
        QTest::newRow("fraction") << "10.5" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("text") << "fast" << -1;
        QTest::newRow("separators") << "1,000" << -1;
    }
    void tickInterval() {
        QFETCH(QString, text);
        QFETCH(int, interval);
        const auto parsed = ParseTickInterval(text);
        QCOMPARE(parsed.value_or(-1), interval);
    }
};

QTEST_APPLESS_MAIN(ProcessingTextTest)
#include "tst_ProcessingText.moc"
