#include "core/component.h"

#include <gtest/gtest.h>

#include <cmath>

#include "components/generators/generators_1d.h"
#include "components/math/vectors_colors.h"
#include "core/context.h"
#include "core/language.h"
#include "core/root.h"
#include "core/thread_record.h"

namespace vandrel {
namespace {

TEST(Component, EnumerationReferenceRoundsHalfToEvenOnEveryEvaluate) {
    TThreadRecord record;
    TXRCRoot root;
    root.Bind(&record, nullptr);
    float trigger = 2.5f;
    root.Connect(kRootDisplacementMode, kWholeProperty, &trigger);
    EXPECT_EQ(root.InputAddress(kRootDisplacementMode, kWholeProperty), &trigger);
    struct Row {
        float value;
        int32_t stored;
    };
    for (const Row row : {Row{2.5f, 2}, Row{3.5f, 4}, Row{-0.5f, 0}, Row{1.49f, 1}}) {
        trigger = row.value;
        root.Evaluate(true);
        EXPECT_EQ(root.GetEnumValue(kRootDisplacementMode), row.stored) << row.value;
    }
    // The rounded value stays stored after the reference is cleared.
    root.Connect(kRootDisplacementMode, kWholeProperty, nullptr);
    trigger = 9.0f;
    root.Evaluate(true);
    EXPECT_EQ(root.GetEnumValue(kRootDisplacementMode), 1);
}

TEST(Component, OutOfRangePropertiesAndPartsAreIgnored) {
    TXRCAdd3D add;
    float source = 5.0f;
    for (const int32_t prop : {-1, 2, 15, 1000}) {
        add.Connect(prop, kWholeProperty, &source);
        add.SetConstant(prop, 0, 9.0f);
        add.SetEnumValue(prop, 3);
        EXPECT_EQ(add.ConstantAddress(prop), nullptr);
        EXPECT_EQ(add.InputAddress(prop, 0), nullptr);
        EXPECT_EQ(add.GetEnumValue(prop), 0);
        EXPECT_EQ(add.PropertyKind(prop), kUndefined);
        EXPECT_FALSE(add.IsIntegerProperty(prop));
    }
    for (const int32_t part : {-2, 3, 7}) {
        add.Connect(0, part, &source);
        add.SetConstant(0, part, 9.0f);
        EXPECT_EQ(add.InputAddress(0, part), nullptr);
    }
    add.Evaluate(true);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(add.OutputAddress()[k], 0.0f);
}

TEST(Component, BaseOperationsGiveTheirDefaults) {
    TXRComponent blank;
    EXPECT_EQ(blank.PropertyCount(), 0);
    EXPECT_EQ(blank.OutputKind(), kUndefined);
    EXPECT_EQ(blank.OutputAddress(), nullptr);
    EXPECT_EQ(blank.FileKind(), 'N');
    blank.Connect(0, kWholeProperty, nullptr);
    blank.Evaluate(true);
}

TEST(Component, TextsComeFromTheLanguageFileWithDefaults) {
    ResetLanguage();
    TXRCSine sine;
    sine.SetTypeId(101);
    EXPECT_EQ(sine.GetTitle(), "Error");
    EXPECT_EQ(sine.GetTitleHint(), "Error");
    EXPECT_EQ(sine.GetPropertyName(0), "Error");
    EXPECT_EQ(sine.GetPropertyHint(0), "Error");
    EXPECT_EQ(sine.GetEnumItems(0), "Error");
    EXPECT_EQ(sine.GetPartLetters(0), "XYZ");

    ParseLanguage(
        "[101]\nTitle = Sine Function\nProp0=Amplitude\nHint1=How often\nComp0=RGB\n"
        "[701]\nTitle=Other\n");
    EXPECT_EQ(sine.GetTitle(), "Sine Function");
    EXPECT_EQ(sine.GetTitleHint(), "Sine Function");
    EXPECT_EQ(sine.GetPropertyName(0), "Amplitude");
    EXPECT_EQ(sine.GetPropertyHint(0), "Amplitude");  // no hint: the property name
    EXPECT_EQ(sine.GetPropertyHint(1), "How often");
    EXPECT_EQ(sine.GetPartLetters(0), "RGB");
    ResetLanguage();
}

TEST(Component, SectionIsTheDecimalIdCutToFourCharacters) {
    TXRComponent c;
    c.SetTypeId(101);
    EXPECT_STREQ(c.Section.data(), "101");
    c.SetTypeId(1106);
    EXPECT_STREQ(c.Section.data(), "1106");
    c.SetTypeId(32769);
    EXPECT_STREQ(c.Section.data(), "3276");
}

TEST(Component, BoundRandomOperationsUseTheRecord) {
    TThreadRecord record;
    TXRCSine sine;
    EXPECT_EQ(sine.RandomNext(), 0.0);  // unbound: harmless
    sine.Bind(&record, nullptr);
    sine.RandomSeed(42);
    const double first = sine.RandomNext();
    TRandomState state;
    RandomSeed(state, 42);
    EXPECT_DOUBLE_EQ(first, RandomNext(state));
}

}  // namespace
}  // namespace vandrel
