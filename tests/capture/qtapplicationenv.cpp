// Gives GUI test programs their QApplication, created before the first test and kept to the end.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "inkwell-capture-test";
        static char* argv[] = { name, nullptr };
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    QApplication* m_app = nullptr;
};

[[maybe_unused]] const auto* const kEnvironment
    = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
