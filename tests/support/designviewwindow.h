// A window holding nothing but the design view on the real engine, shown, active and in edit mode:
// the start of the tests of what runs inside the page.
#pragma once

#include "editing/designview.h"
#include "platform/browserengine.h"

#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace inkwell {

class DesignViewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto browser = createBrowser(&window);
        view = browser.view;
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(view, 1);
        window.resize(800, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        design.attach(std::move(browser.engine));
        design.editModeOn();
    }

    QWidget window;
    QWidget* view = nullptr;
    DesignView design;
};

} // namespace inkwell
