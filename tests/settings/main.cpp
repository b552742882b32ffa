#include <QCoreApplication>

int runTextFormsTests(int argc, char **argv);
int runStoreTests(int argc, char **argv);
int runSchemaTests(int argc, char **argv);

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    int failures = runTextFormsTests(argc, argv);
    failures += runStoreTests(argc, argv);
    failures += runSchemaTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
