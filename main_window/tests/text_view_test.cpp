#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "text_view.hpp"

using namespace glifora;

TEST(TextView, NulShowsAsSymbolAndTheTextGoesOnAfterIt)
{
    QWidget parent;
    QPlainTextEdit* view = makeTextView(&parent, "v", QPalette::Base);
    showText(view, QString::fromUtf8("a\0b\x01" "c", 5));
    EXPECT_EQ(view->toPlainText(), QString::fromUtf8("a\u2400b\x01" "c"));
}
