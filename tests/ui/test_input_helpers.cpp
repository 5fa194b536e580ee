#include "GridTestApp.h"

#include "ui/InputHelpers.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

struct ValidatorCase {
    const char *name;
    const char16_t *input;
    NumberInputOptions options;
    QValidator::State state;
    const char16_t *after;   // the input after validation
};

class NumberInputCase : public ::testing::TestWithParam<ValidatorCase> {};

TEST_P(NumberInputCase, Validates)
{
    const ValidatorCase &c = GetParam();
    NumberInputValidator v(c.options);
    QString input = QString::fromUtf16(c.input);
    int pos = int(input.size());
    EXPECT_EQ(v.validate(input, pos), c.state);
    EXPECT_EQ(input, QString::fromUtf16(c.after));
}

const NumberInputOptions Plain;
const NumberInputOptions Signed{true, true, 0};
const NumberInputOptions Whole{false, false, 0};
const NumberInputOptions TwoDigits{false, false, 2};

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberInputCase,
    ::testing::Values(ValidatorCase{"empty", u"", Plain, QValidator::Acceptable, u""},
                      ValidatorCase{"digits", u"150", Plain, QValidator::Acceptable, u"150"},
                      ValidatorCase{"decimal", u"1.5", Plain, QValidator::Acceptable, u"1.5"},
                      ValidatorCase{"point_last", u"12.", Plain, QValidator::Acceptable, u"12."},
                      ValidatorCase{"point_alone", u".", Plain, QValidator::Intermediate, u"."},
                      ValidatorCase{"two_points", u"1.2.", Plain, QValidator::Invalid, u"1.2."},
                      ValidatorCase{"letter", u"1a", Plain, QValidator::Invalid, u"1a"},
                      ValidatorCase{"sign_refused", u"-1", Plain, QValidator::Invalid, u"-1"},
                      ValidatorCase{"sign_allowed", u"-1", Signed, QValidator::Acceptable, u"-1"},
                      ValidatorCase{"sign_alone", u"-", Signed, QValidator::Intermediate, u"-"},
                      ValidatorCase{"sign_inside", u"1-", Signed, QValidator::Invalid, u"1-"},
                      ValidatorCase{"whole_refuses_point", u"1.", Whole, QValidator::Invalid, u"1."},
                      ValidatorCase{"full_width_becomes_half", u"２４", Whole, QValidator::Acceptable, u"24"},
                      ValidatorCase{"thousands_separator_refused", u"1,234", Plain, QValidator::Invalid, u"1,234"},
                      ValidatorCase{"digit_limit", u"24", TwoDigits, QValidator::Acceptable, u"24"},
                      ValidatorCase{"beyond_digit_limit", u"240", TwoDigits, QValidator::Invalid, u"240"}),
    [](const auto &info) { return std::string(info.param.name); });

class EntryBoxTest : public WidgetTest {
protected:
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(first = new QLineEdit("http://old"));
        layout->addWidget(second = new QLineEdit);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    QLineEdit *first = nullptr;
    QLineEdit *second = nullptr;
};

TEST_F(EntryBoxTest, DecoratedBoxStartsEmptyAndSelectsAllOnFocus)
{
    TextBoxDecorator *d = TextBoxDecorator::attach(first);
    EXPECT_EQ(d->parent(), first);
    EXPECT_EQ(first->text(), QString(""));

    first->setText("C:\\EDI\\read");
    second->setFocus();
    first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(first->selectedText(), QString("C:\\EDI\\read"));

    // A click places the cursor after the focus event; the text is selected all the same.
    second->setFocus();
    QTest::mouseClick(first, Qt::LeftButton, {}, first->rect().center());
    QCoreApplication::processEvents();
    EXPECT_EQ(first->selectedText(), QString("C:\\EDI\\read"));
}

TEST_F(EntryBoxTest, NumberBoxTakesOnlyDigitsWithTheInputMethodOff)
{
    second->setText("3");
    setNumericInput(second, NumberInputOptions{false, true, 2});
    EXPECT_EQ(second->text(), QString("3"));   // a number box keeps what it shows
    EXPECT_FALSE(second->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(second->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    second->setFocus();
    EXPECT_EQ(second->selectedText(), QString("3"));
    QTest::keyClicks(second, "a1-2x4");
    EXPECT_EQ(second->text(), QString("12"));
}

TEST(SetImeOpen, SwitchesTheWidgetsInputMethod)
{
    testApplication();
    QLineEdit box;
    SetImeOpen(&box, false);
    EXPECT_FALSE(box.testAttribute(Qt::WA_InputMethodEnabled));
    SetImeOpen(&box, true);
    EXPECT_TRUE(box.testAttribute(Qt::WA_InputMethodEnabled));
    SetImeOpen(nullptr, false);   // no widget, no effect
}

} // namespace
