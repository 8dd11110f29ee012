// Property bars over the graph model: the default source of each kind, constants through the
// spin field, the lock button and its questions, triggers kept as constants, enumeration and
// file menus, "Edit as color" and the look of a connected input.
#include "editor/property_bar.h"

#include "editor/controls/control_fonts.h"
// (the model's headers before Qt's)
#include <gtest/gtest.h>

#include <filesystem>

#include "core/language.h"
#include "editor/controls/spin_edit.h"
#include "editor/model/input_menu.h"
#include "interface/interface_model.h"
#include "qt_test_support.h"
#include "test_support.h"

namespace vandrel {
namespace {

constexpr int32_t kAdd = 901;         // A, B (Numerical) -> Numerical
constexpr int32_t kScaleUV = 610;     // Input (UV), Factor -> UV
constexpr int32_t kAdd3D = 701;       // A, B (Vector, "XYZ") -> Vector
constexpr int32_t kMandelbrot = 205;  // property 5, Iterations, is a whole count
constexpr int32_t kTexture = 1101;    // File, Sampling ("Area;Point") -> Vector
constexpr int32_t kUVto1D = 1006;     // Input (UV), Reduction ("Average;Sum;U;V")

constexpr const char* kUnlockQuestion =
    "In order to unlock this property, it has to be disconnected.\r\nAre you sure you want to "
    "disconnect this property ?";
constexpr const char* kLockQuestion =
    "In order to lock this property, it's components have to be disconnected.\r\nAre you sure "
    "you want to disconnect all components of this property ?";

class PropertyBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApplication();
        ASSERT_TRUE(
            LoadLanguage(std::filesystem::path(VANDREL_SOURCE_DIR) / "resources" / "Vandrel.lng"));
        host.resize(120, 200);
    }
    void TearDown() override {
        TXRPropertyBar::SetColorPicker({});
        ResetLanguage();
    }

    TXRComponentContainer* Make(int32_t type, int32_t x = 0, int32_t y = 0) {
        TXRComponentContainer* c = model.CreateContainer(type, x, y);
        EXPECT_NE(c, nullptr) << type;
        return c;
    }
    std::unique_ptr<TXRPropertyBar> Bar(TXRComponentContainer* c, int32_t prop) {
        return std::make_unique<TXRPropertyBar>(&host, model, *c, prop);
    }
    // The answer to the next questions.
    void Answer(bool yes) {
        messages.reset();
        messages = std::make_unique<test::RecordingMessages>(yes);
    }

    QApplication& app = test::TestApplication();  // before any widget
    std::unique_ptr<test::RecordingMessages> messages =
        std::make_unique<test::RecordingMessages>(false);
    TXRInterfaceModel iface;
    TXRGraphModel model{iface};
    QWidget host;  // stands in for the container widget
};

TEST(FittedNames, LongNamesAreCutSoThatNoTwoRowsReadAlike) {
    test::TestApplication();
    const QFontMetrics metrics(ControlFont(8));
    struct Case {
        std::vector<QString> names;
    };
    const std::vector<Case> cases = {
        {{"Ambient", "Diffuse", "Color"}},
        {{"Reflection", "ReflectionParameter", "Transmission", "TransmissionParameter"}},
        {{"DisplacementMode", "Displacement", "DisplacementScale"}},
        {{"Amplitude", "AmplitudeA", "AmplitudeB", "AmplitudeC"}},
        {{"SameSameSameSame", "SameSameSameSame"}},  // one name twice may read alike
    };
    for (const Case& c : cases) {
        const std::vector<QString> shown = FittedNames(c.names, metrics, kNameWidth);
        ASSERT_EQ(shown.size(), c.names.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            SCOPED_TRACE(c.names[i].toStdString());
            EXPECT_LE(metrics.horizontalAdvance(shown[i]), kNameWidth);
            // A name that fits is shown whole.
            if (metrics.horizontalAdvance(c.names[i]) <= kNameWidth) {
                EXPECT_EQ(shown[i], c.names[i]);
            }
            for (size_t j = 0; j < i; ++j) {
                if (c.names[i] != c.names[j]) {
                    EXPECT_NE(shown[i], shown[j]) << shown[i].toStdString();
                }
            }
        }
    }
}

TEST_F(PropertyBarTest, NewPropertiesShowTheirKindsDefaultSource) {
    TXRComponentContainer* add3d = Make(kAdd3D);
    TXRComponentContainer* uv = Make(kUVto1D);
    TXRComponentContainer* texture = Make(kTexture);
    TXRComponentContainer* add = Make(kAdd);
    struct Case {
        TXRComponentContainer* c;
        int32_t prop;
        const char* name;
        const char* value;
        bool spin;
    };
    const Case cases[] = {
        {add3d, 0, "A", "Object", false},        {uv, 0, "Input", "UV", false},
        {uv, 1, "Reduction", "Average", false},  {texture, 0, "File", "[none]", false},
        {texture, 1, "Sampling", "Area", false}, {add, 0, "A", "", true},
    };
    for (const Case& k : cases) {
        const auto bar = Bar(k.c, k.prop);
        TXRPropertyEditor* editor = bar->WholeEditor();
        EXPECT_EQ(editor->NameText(), k.name);
        EXPECT_EQ(editor->ValueText(), k.value) << k.name;
        EXPECT_EQ(editor->ShowsSpinField(), k.spin) << k.name;
        EXPECT_EQ(editor->ValueTextWidth(), 48);
        EXPECT_EQ(bar->LockButton() != nullptr, k.c == add3d || (k.c == uv && k.prop == 0));
        EXPECT_EQ(bar->ColorButton() != nullptr, k.c == add3d);
    }
}

TEST_F(PropertyBarTest, SpinFieldsOfCountsAndOfPlainNumbers) {
    TXRComponentContainer* mandel = Make(kMandelbrot);
    const auto count = Bar(mandel, 5);
    THostSpinEdit2* whole = count->WholeEditor()->SpinField();
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->ShowValue(), TSpinShow::Whole);
    EXPECT_EQ(whole->Min(), 1);
    EXPECT_EQ(whole->Max(), 10000);
    EXPECT_EQ(whole->Increment(), 1);
    whole->SetValueF(0);  // below the minimum
    EXPECT_EQ(model.Constant(mandel, 5, kWholeProperty), 1);

    const auto amplitude = Bar(mandel, 0);
    THostSpinEdit2* plain = amplitude->WholeEditor()->SpinField();
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->ShowValue(), TSpinShow::Float);
    EXPECT_EQ(plain->Min(), 0);
    EXPECT_EQ(plain->Max(), 0);
    EXPECT_EQ(plain->Increment(), 0.001f);
    plain->SetValueF(-12345.5f);
    EXPECT_EQ(model.Constant(mandel, 0, kWholeProperty), -12345.5f);
    EXPECT_EQ(*mandel->Component->InputAddress(0, 0), -12345.5f);
    EXPECT_TRUE(model.Modified());

    // A variable replaces the spin field by its short name.
    ASSERT_TRUE(model.UseVariable(mandel, 0, kWholeProperty, kVarAlpha));
    amplitude->Refresh();
    EXPECT_FALSE(amplitude->WholeEditor()->ShowsSpinField());
    EXPECT_EQ(amplitude->WholeEditor()->ValueText(), "Alpha");
}

TEST_F(PropertyBarTest, UnlockingAConnectedUVPropertyAsksFirst) {
    TXRComponentContainer* target = Make(kScaleUV);
    TXRComponentContainer* source = Make(kScaleUV, 200);
    ASSERT_NE(model.Connect(source, target, 0, kWholeProperty), nullptr);
    const auto bar = Bar(target, 0);
    EXPECT_EQ(bar->WholeEditor()->ValueText(), QString::fromStdString(source->Title()));

    Answer(false);
    bar->LockButton()->click();
    ASSERT_EQ(messages->asked.size(), 1u);
    EXPECT_EQ(messages->asked[0], kUnlockQuestion);
    EXPECT_FALSE(bar->LockButton()->isChecked());
    EXPECT_FALSE(bar->State().Split);
    EXPECT_TRUE(bar->State().Whole.ComponentConnected());
    EXPECT_EQ(model.Connections().size(), 1u);

    Answer(true);
    bar->LockButton()->click();
    EXPECT_EQ(messages->asked.size(), 1u);
    EXPECT_TRUE(bar->LockButton()->isChecked());
    EXPECT_TRUE(bar->State().Split);
    EXPECT_TRUE(model.Connections().empty());
    EXPECT_EQ(bar->Height(), 34);
    EXPECT_FALSE(bar->WholeEditor()->isVisibleTo(&host));
    EXPECT_TRUE(bar->PartEditor(0)->isVisibleTo(&host));
    EXPECT_TRUE(bar->PartEditor(1)->isVisibleTo(&host));
    EXPECT_EQ(bar->PartEditor(2), nullptr);
    EXPECT_EQ(bar->PartEditor(1)->NameText(), "V");
    EXPECT_EQ(bar->PartEditor(1)->y(), bar->Top() + 17);
}

TEST_F(PropertyBarTest, LockingAVectorWithAFedPartAsksAndJoins) {
    TXRComponentContainer* target = Make(kAdd3D);
    TXRComponentContainer* source = Make(kAdd, 200);
    const auto bar = Bar(target, 1);
    bar->LockButton()->click();  // nothing feeds the whole: no question
    EXPECT_TRUE(messages->asked.empty());
    ASSERT_TRUE(bar->State().Split);
    EXPECT_EQ(target->Height, 17 + 17 + 51);  // the title, A, and B's three parts
    EXPECT_TRUE(bar->ColorButton()->isVisibleTo(&host));
    EXPECT_EQ(bar->ColorButton()->pos(), QPoint(3, bar->Top() + 18));
    EXPECT_EQ(bar->LockButton()->pos(), QPoint(3, bar->Top() + 2));

    ASSERT_NE(model.Connect(source, target, 1, 1), nullptr);  // the Y part
    bar->Refresh();
    TXRPropertyEditor* y = bar->PartEditor(1);
    EXPECT_TRUE(y->ComponentConnected());
    EXPECT_EQ(y->ValueText(), QString::fromStdString(source->Title()));
    EXPECT_EQ(y->ValueTextWidth(), 36);  // room for the connected mark
    EXPECT_FALSE(y->ShowsSpinField());
    EXPECT_TRUE(bar->PartEditor(0)->ShowsSpinField());

    Answer(false);
    bar->LockButton()->click();
    ASSERT_EQ(messages->asked.size(), 1u);
    EXPECT_EQ(messages->asked[0], kLockQuestion);
    EXPECT_TRUE(bar->LockButton()->isChecked());
    EXPECT_EQ(model.Connections().size(), 1u);

    Answer(true);
    bar->LockButton()->click();
    EXPECT_FALSE(bar->LockButton()->isChecked());
    EXPECT_FALSE(bar->State().Split);
    EXPECT_TRUE(model.Connections().empty());
    EXPECT_EQ(bar->Height(), 17);
    EXPECT_EQ(target->Height, 17 + 17 + 17);
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "Object");
    EXPECT_FALSE(bar->ColorButton()->isVisibleTo(&host));
}

TEST_F(PropertyBarTest, APartOnATriggerKeepsItsValueWhenLocked) {
    TXRComponentContainer* c = Make(kAdd3D);
    const auto bar = Bar(c, 0);
    bar->ToggleLock();
    ASSERT_TRUE(model.UseTrigger(c, 0, 0, 2));
    bar->Refresh();
    EXPECT_EQ(bar->PartEditor(0)->ValueText(), "Trigger3");
    EXPECT_EQ(iface.Usage().Triggers[2].Count, 1);
    iface.Working().Triggers[2][0] = 0.625f;

    bar->ToggleLock();
    EXPECT_FALSE(bar->State().Split);
    EXPECT_EQ(model.Constant(c, 0, 0), 0.625f);
    EXPECT_EQ(iface.Usage().Triggers[2].Count, 0);
    // Split again: the part reads its constant, not the trigger.
    bar->ToggleLock();
    EXPECT_TRUE(bar->PartEditor(0)->ShowsSpinField());
    EXPECT_EQ(bar->PartEditor(0)->SpinField()->ValueF(), 0.625f);
    EXPECT_EQ(*c->Component->InputAddress(0, 0), 0.625f);
}

std::vector<std::string> Captions(const std::vector<TInputMenuItem>& items) {
    std::vector<std::string> captions;
    for (const TInputMenuItem& item : items) captions.push_back(item.caption);
    return captions;
}

TEST_F(PropertyBarTest, FileMenuChoicesShowAsFileNumbers) {
    EXPECT_EQ(Captions(BuildFileMenu()), (std::vector<std::string>{"[none]", "File 1", "File 2",
                                                                   "File 3", "File 4", "File 5"}));
    TXRComponentContainer* texture = Make(kTexture);
    const auto bar = Bar(texture, 0);
    const std::vector<TInputMenuItem> menu = BuildFileMenu();
    ASSERT_TRUE(ChooseInputMenuItem(model, texture, 0, kWholeProperty, menu[3]));
    bar->Refresh();
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "File3");
    EXPECT_EQ(iface.Usage().Files[2].Type, 'T');
    EXPECT_EQ(iface.Usage().Files[2].Count, 1);

    ASSERT_TRUE(ChooseInputMenuItem(model, texture, 0, kWholeProperty, menu[5]));
    bar->Refresh();
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "File5");
    EXPECT_EQ(iface.Usage().Files[2].Count, 0);  // the previous slot is released
    ASSERT_TRUE(ChooseInputMenuItem(model, texture, 0, kWholeProperty, menu[0]));
    bar->Refresh();
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "[none]");
    EXPECT_EQ(iface.Usage().Files[4].Count, 0);
}

TEST_F(PropertyBarTest, EnumerationMenuListsItemsThenTriggers) {
    TXRComponentContainer* c = Make(kUVto1D);
    const auto bar = Bar(c, 1);
    const std::vector<TInputMenuItem> menu = BuildEnumMenu(bar->State().Items);
    ASSERT_EQ(menu.size(), 5u);
    const std::vector<std::string> captions = Captions(menu);
    EXPECT_EQ(captions, (std::vector<std::string>{"Average", "Sum", "U", "V", "Trigger"}));
    ASSERT_EQ(menu[4].caption, "Trigger");
    ASSERT_EQ(menu[4].children.size(), 20u);
    EXPECT_EQ(menu[4].children[0].caption, "Trigger 1");
    EXPECT_EQ(menu[4].children[19].caption, "Trigger 20");

    ASSERT_TRUE(ChooseInputMenuItem(model, c, 1, kWholeProperty, menu[2]));
    bar->Refresh();
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "U");
    EXPECT_EQ(c->Component->GetEnumValue(1), 2);

    ASSERT_TRUE(ChooseInputMenuItem(model, c, 1, kWholeProperty, menu[4].children[6]));
    bar->Refresh();
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "Trigger7");
    EXPECT_EQ(iface.Usage().Triggers[6].Kind, kEnumeration);

    ASSERT_TRUE(ChooseInputMenuItem(model, c, 1, kWholeProperty, menu[1]));  // an item again
    bar->Refresh();
    EXPECT_EQ(bar->WholeEditor()->ValueText(), "Sum");
    EXPECT_EQ(iface.Usage().Triggers[6].Count, 0);
}

TEST_F(PropertyBarTest, EditAsColorWritesThePartsAfterOk) {
    TXRComponentContainer* c = Make(kAdd3D);
    const auto bar = Bar(c, 0);
    bar->ToggleLock();
    ASSERT_TRUE(model.SetConstant(c, 0, 0, 0.5f));
    QString title;
    std::array<double, 3> shown{};
    bool ok = false;
    TXRPropertyBar::SetColorPicker([&](QWidget*, const QString& t, std::array<double, 3>& rgb) {
        title = t;
        shown = rgb;
        rgb = {0.25, 0.75, 1};
        return ok;
    });
    bar->ColorButton()->click();  // cancelled
    EXPECT_EQ(title, QString::fromStdString(c->Title()) + ".A");
    EXPECT_EQ(shown, (std::array<double, 3>{0.5, 0, 0}));
    EXPECT_EQ(model.Constant(c, 0, 1), 0);

    ok = true;
    bar->ColorButton()->click();
    EXPECT_EQ(model.Constant(c, 0, 0), 0.25f);
    EXPECT_EQ(model.Constant(c, 0, 1), 0.75f);
    EXPECT_EQ(model.Constant(c, 0, 2), 1);
    EXPECT_EQ(bar->PartEditor(1)->SpinField()->ValueF(), 0.75f);
}

}  // namespace
}  // namespace vandrel
