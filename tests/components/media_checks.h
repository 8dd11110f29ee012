// The property-table check of the media components, whose File properties hold an integer (-1 =
// no file) and have neither a constant nor an input reference.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component_checks.h"

namespace vandrel::test {

inline void ExpectMediaPropertyTable(int32_t id, const std::vector<ExpectedProperty>& expected) {
    SCOPED_TRACE("type id " + std::to_string(id));
    std::unique_ptr<TXRComponent> c = CreateComponent(id);
    ASSERT_NE(c, nullptr);
    auto* table = dynamic_cast<TXRPropertyComponent*>(c.get());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(c->PropertyCount(), static_cast<int32_t>(expected.size()));
    for (size_t p = 0; p < expected.size(); ++p) {
        const auto prop = static_cast<int32_t>(p);
        const ExpectedProperty& e = expected[p];
        EXPECT_STREQ(table->Properties()[p].name, e.name);
        EXPECT_EQ(c->PropertyKind(prop), e.kind) << e.name;
        EXPECT_EQ(c->IsIntegerProperty(prop), e.whole) << e.name;
        if (e.kind == kFile) {
            EXPECT_EQ(c->GetEnumValue(prop), -1) << e.name;
            EXPECT_EQ(c->ConstantAddress(prop), nullptr) << e.name;
            // A file choice cannot be fed from elsewhere.
            float source = 3;
            c->Connect(prop, kWholeProperty, &source);
            EXPECT_EQ(c->InputAddress(prop, kWholeProperty), nullptr) << e.name;
        } else if (e.kind == kEnumeration) {
            EXPECT_EQ(c->GetEnumValue(prop), static_cast<int32_t>(e.defaults.at(0))) << e.name;
        } else {
            ASSERT_EQ(e.defaults.size(), static_cast<size_t>(FloatCount(e.kind))) << e.name;
            const float* constant = c->ConstantAddress(prop);
            ASSERT_NE(constant, nullptr) << e.name;
            for (size_t k = 0; k < e.defaults.size(); ++k) {
                EXPECT_EQ(constant[k], e.defaults[k]) << e.name << " part " << k;
            }
        }
    }
}

}  // namespace vandrel::test
