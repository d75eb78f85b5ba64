#include "app/utils/Errors.h"
#include "reportdata/FieldValue.h"

#include "CaseNames.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct WriteCase {
    TFieldType type;
    QVariant value;
    const char *text;
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << FieldTypeName(c.type).toStdString() << " -> " << c.text; }

class ValueToText : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ValueToText, WritesTheStoredForm)
{
    const WriteCase &c = GetParam();
    EXPECT_EQ(FieldValueText(c.type, c.value), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, ValueToText,
    ::testing::Values(
        WriteCase{TFieldType::Text, QVariant(QStringLiteral("  lead and trail  ")), "  lead and trail  "},
        WriteCase{TFieldType::Integer, QVariant(42), "42"},
        WriteCase{TFieldType::Integer, QVariant(-7), "-7"},
        WriteCase{TFieldType::Float, QVariant(0.0), "0"},
        WriteCase{TFieldType::Float, QVariant(-0.0), "0"},
        WriteCase{TFieldType::Float, QVariant(100.0), "100"},
        WriteCase{TFieldType::Float, QVariant(-2.25), "-2.25"},
        WriteCase{TFieldType::Float, QVariant(0.1 + 0.2), "0.3"},   // 15 significant digits
        WriteCase{TFieldType::Float, QVariant(1.0 / 3), "0.333333333333333"},
        WriteCase{TFieldType::Float, QVariant(1e-5), "0.00001"},    // smallest plain value
        WriteCase{TFieldType::Float, QVariant(0.000012345), "0.000012345"},
        WriteCase{TFieldType::Float, QVariant(0.0000099999999999999995), "0.00001"}, // rounds up into plain
        WriteCase{TFieldType::Float, QVariant(1e-6), "1E-6"},
        WriteCase{TFieldType::Float, QVariant(-1.5e-7), "-1.5E-7"},
        WriteCase{TFieldType::Float, QVariant(123456789012345.0), "123456789012345"}, // 15 integer digits
        WriteCase{TFieldType::Float, QVariant(999999999999999.4), "999999999999999"},
        WriteCase{TFieldType::Float, QVariant(999999999999999.6), "1E15"}, // rounds to 16 digits
        WriteCase{TFieldType::Float, QVariant(1e15), "1E15"},
        WriteCase{TFieldType::Float, QVariant(1234567890123456.0), "1.23456789012346E15"},
        WriteCase{TFieldType::Float, QVariant(1.5e20), "1.5E20"},
        WriteCase{TFieldType::Float, QVariant(1e100), "1E100"},
        WriteCase{TFieldType::Float, QVariant(std::numeric_limits<double>::infinity()), "INF"},
        WriteCase{TFieldType::Currency, QVariant(12.345), "12.35"},
        WriteCase{TFieldType::Currency, QVariant(-12.345), "-12.35"},
        WriteCase{TFieldType::Currency, QVariant(12.5), "12.5"},
        WriteCase{TFieldType::Currency, QVariant(100.0), "100"},
        WriteCase{TFieldType::Currency, QVariant(0.005), "0.01"},
        WriteCase{TFieldType::Currency, QVariant(1.005), "1.01"}, // 1.00499999... is 1.0050 at 4 decimals
        WriteCase{TFieldType::Currency, QVariant(2.67499), "2.68"}, // 2.6750 first, then the half goes up
        WriteCase{TFieldType::Currency, QVariant(2.67494), "2.67"},
        WriteCase{TFieldType::Currency, QVariant(-0.004), "0"},
        WriteCase{TFieldType::Currency, QVariant(1234567890.125), "1234567890.13"},
        WriteCase{TFieldType::Date, QVariant(QDate(2006, 1, 31)), "2006-01-31"},
        WriteCase{TFieldType::Date, QVariant(QDate(1900, 1, 1)), "1900-01-01"},
        WriteCase{TFieldType::Date, QVariant(QDate(987, 6, 5)), "0987-06-05"},
        WriteCase{TFieldType::Boolean, QVariant(true), "True"},
        WriteCase{TFieldType::Boolean, QVariant(false), "False"}),
    [](const auto &info) { return CaseName(info.index, FieldTypeName(info.param.type).toStdString() + "_" + info.param.text); });

struct ReadCase {
    TFieldType type;
    const char *text;
    QVariant value; // invalid: the text does not convert
};

void PrintTo(const ReadCase &c, std::ostream *os) { *os << FieldTypeName(c.type).toStdString() << " <- '" << c.text << "'"; }

class TextToValue : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TextToValue, ReadsStoredText)
{
    const ReadCase &c = GetParam();
    if (!c.value.isValid()) {
        try {
            ReadFieldValueText(c.type, QString::fromUtf8(c.text));
            FAIL() << "expected a conversion error";
        } catch (const TConversionError &error) {
            // The message names the text.
            EXPECT_TRUE(error.Message().contains(QStringLiteral("\"%1\"").arg(QString::fromUtf8(c.text))))
                << error.Message().toStdString();
        }
        return;
    }
    const QVariant value = ReadFieldValueText(c.type, QString::fromUtf8(c.text));
    EXPECT_EQ(value.metaType(), c.value.metaType());
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, TextToValue,
    ::testing::Values(
        ReadCase{TFieldType::Text, "  kept as is  ", QVariant(QStringLiteral("  kept as is  "))},
        ReadCase{TFieldType::Text, "", QVariant(QString())},
        ReadCase{TFieldType::Integer, " 42 ", QVariant(42)},
        ReadCase{TFieldType::Integer, "+5", QVariant(5)},
        ReadCase{TFieldType::Integer, "-2147483648", QVariant(-2147483647 - 1)},
        ReadCase{TFieldType::Integer, "2147483648", QVariant()},
        ReadCase{TFieldType::Integer, "4.2", QVariant()},
        ReadCase{TFieldType::Integer, "", QVariant()},
        ReadCase{TFieldType::Integer, "12abc", QVariant()},
        ReadCase{TFieldType::Float, " 1.5 ", QVariant(1.5)},
        ReadCase{TFieldType::Float, "1E-6", QVariant(1e-6)},
        ReadCase{TFieldType::Float, "1.5e20", QVariant(1.5e20)},
        ReadCase{TFieldType::Float, "-.5", QVariant(-0.5)},
        ReadCase{TFieldType::Float, "7.", QVariant(7.0)},
        ReadCase{TFieldType::Float, "1,5", QVariant()}, // never the locale's separator
        ReadCase{TFieldType::Float, "1e", QVariant()},
        ReadCase{TFieldType::Float, "", QVariant()},
        ReadCase{TFieldType::Float, "0x10", QVariant()},
        ReadCase{TFieldType::Currency, "12.35", QVariant(12.35)},
        ReadCase{TFieldType::Currency, " 7 ", QVariant(7.0)},
        ReadCase{TFieldType::Currency, "12.34567", QVariant(12.3457)}, // up to 4 decimals
        ReadCase{TFieldType::Currency, "abc", QVariant(0.0)},          // tolerant
        ReadCase{TFieldType::Currency, "", QVariant(0.0)},
        ReadCase{TFieldType::Date, "2006-01-31", QVariant(QDate(2006, 1, 31))},
        ReadCase{TFieldType::Date, " 2006-1-5 ", QVariant(QDate(2006, 1, 5))},
        ReadCase{TFieldType::Date, "2006-02-30", QVariant()},
        ReadCase{TFieldType::Date, "2006/01/31", QVariant()},
        ReadCase{TFieldType::Date, "2006-01-31 10:00", QVariant()},
        ReadCase{TFieldType::Date, "", QVariant()},
        ReadCase{TFieldType::Boolean, "TRUE", QVariant(true)},
        ReadCase{TFieldType::Boolean, " true ", QVariant(true)},
        ReadCase{TFieldType::Boolean, "1", QVariant(false)},
        ReadCase{TFieldType::Boolean, "", QVariant(false)}),
    [](const auto &info) { return CaseName(info.index, FieldTypeName(info.param.type).toStdString() + "_" + info.param.text); });

TEST(FieldValue, EveryWrittenTextReadsBackToTheSameText)
{
    const QList<QPair<TFieldType, QVariant>> values{
        {TFieldType::Float, 1e-6},          {TFieldType::Float, 1.5e20},        {TFieldType::Float, 0.1 + 0.2},
        {TFieldType::Float, -123.456},      {TFieldType::Currency, 12.345},     {TFieldType::Currency, -0.005},
        {TFieldType::Integer, -2147483647}, {TFieldType::Date, QDate(2024, 2, 29)}};
    for (const auto &[type, value] : values) {
        const QString text = FieldValueText(type, value);
        EXPECT_EQ(FieldValueText(type, ReadFieldValueText(type, text)), text) << text.toStdString();
    }
}

TEST(FieldValue, AssignedValuesConvertToTheFieldType)
{
    EXPECT_EQ(ConvertFieldValue(TFieldType::Integer, QVariant(QStringLiteral(" 12 "))), QVariant(12));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Integer, QVariant(2.6)), QVariant(3));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Float, QVariant(QStringLiteral("2.5"))), QVariant(2.5));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Date, QVariant(QDateTime(QDate(2006, 3, 1), QTime(12, 0)))),
              QVariant(QDate(2006, 3, 1)));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Boolean, QVariant(QStringLiteral("false"))), QVariant(false));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Boolean, QVariant(1.0)), QVariant(true));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Text, QVariant(0.5)), QVariant(QStringLiteral("0.5")));
    EXPECT_EQ(ConvertFieldValue(TFieldType::Text, QVariant(true)), QVariant(QStringLiteral("True")));
    // Assignment is strict where reading a stored amount is tolerant.
    EXPECT_THROW(ConvertFieldValue(TFieldType::Currency, QVariant(QStringLiteral("abc"))), TConversionError);
    EXPECT_THROW(ConvertFieldValue(TFieldType::Integer, QVariant(1e12)), TConversionError);
    EXPECT_THROW(ConvertFieldValue(TFieldType::Date, QVariant(5)), TConversionError);
    EXPECT_THROW(ConvertFieldValue(TFieldType::Boolean, QVariant(QStringLiteral("yes"))), TConversionError);
}

TEST(FieldValue, XmlSafeText)
{
    EXPECT_TRUE(IsXmlSafeText(QStringLiteral("tab\tline\ncr\r 中文 😀")));
    EXPECT_FALSE(IsXmlSafeText(QStringLiteral("bell\a")));
    EXPECT_FALSE(IsXmlSafeText(QString(QChar(0xFFFE))));
    EXPECT_FALSE(IsXmlSafeText(QString(QChar(0xD800))));
}

} // namespace
