#include <QTest>

class PropertyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

QTEST_GUILESS_MAIN(PropertyTest)
#include "test_property.moc"
