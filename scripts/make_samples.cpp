// Writes the sample shaders of resources/samples/ with the project's own API: each sample builds a
// tree as the editor would (components, constants, connections, links), writes its stream with an
// automatic editor layout, and saves the shader file with its checksum.
//
//   vandrel_make_samples OUTPUT_FOLDER
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "components/custom/custom_components.h"
#include "components/registry.h"
#include "core/context.h"
#include "core/editor_source.h"
#include "core/factory.h"
#include "core/root.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "interface/interface_model.h"

namespace {

using namespace vandrel;

class TSampleBuilder {
  public:
    TSampleBuilder() {
        tree_.Context = &record_;
        root_ = Add(TXRCRoot::kTypeId);
        // A new shader passes the host's colour, transparency filter and normal through.
        Var(root_, kRootColor, kWholeProperty, 5);
        Var(root_, kRootTransparencyFilter, kWholeProperty, 13);
        Var(root_, kRootNormal, kWholeProperty, 46);
    }

    TXRComponent* Root() const { return root_; }

    TXRComponent* Add(int32_t id) { return tree_.AddComponent(CreateComponent(id, &tree_)); }
    // Enters a custom component's definition into the shader; its type id.
    int32_t Define(const std::string& definition) {
        return InsertCustomDefinition(tree_, definition);
    }

    void Set(TXRComponent* c, int32_t prop, std::initializer_list<float> values) {
        if (values.size() == 1) {
            c->SetConstant(prop, kWholeProperty, *values.begin());
            return;
        }
        int32_t part = 0;
        for (const float v : values) c->SetConstant(prop, part++, v);
    }
    void Var(TXRComponent* c, int32_t prop, int32_t part, int32_t variable) {
        c->Connect(prop, part, VariableAddress(&record_, variable));
    }
    void Feed(TXRComponent* source, TXRComponent* c, int32_t prop, int32_t part = kWholeProperty) {
        c->Connect(prop, part, source->OutputAddress());
        tree_.Link(source, c);
    }
    void Enum(TXRComponent* c, int32_t prop, int32_t value) { c->SetEnumValue(prop, value); }
    std::string Stream(std::string_view categories) {
        tree_.SetRoot(root_, true);
        const std::string treeSection = "XR" + tree_.WriteTree();
        return JoinSections({treeSection, WriteEditorSource(Layout()), interface_.Serialise(),
                             categories, "", tree_.UsedCustomText()});
    }

  private:
    // Windows in columns by distance from the root, as the canvas orients them: the root at the
    // far left, every component's sources in the column to its right, so that wires run from
    // right to left without turning back over the windows.
    TEditorSource Layout() {
        TEditorSource source;
        std::map<int32_t, int32_t> columnTop;
        std::vector<TXRTreeEntry*> kept;
        for (const auto& e : tree_.Entries) {
            if (e->Distance == kUnreachable) continue;
            kept.push_back(e.get());
        }
        // The entries run from the deepest to the root: the root's column is filled first.
        std::reverse(kept.begin(), kept.end());
        const auto windowOf = [&](const float* output) -> int32_t {
            for (size_t w = 0; w < kept.size(); ++w) {
                if (output != nullptr && kept[w]->Component->OutputAddress() == output) {
                    return static_cast<int32_t>(w);
                }
            }
            return -1;
        };
        for (size_t w = 0; w < kept.size(); ++w) {
            TXRComponent& c = *kept[w]->Component;
            TEditorWindow window;
            window.typeId = c.TypeId;
            const int32_t column = kept[w]->Distance;
            window.left = 8 + 176 * column;
            window.top = 8 + columnTop[column];
            const auto fresh = CreateComponent(c.TypeId, &tree_);
            const auto scalar = [&](int32_t prop, int32_t part) {
                const int32_t k = part < 0 ? 0 : part;
                const float* ref = c.InputAddress(prop, part);
                const float* own = c.ConstantAddress(prop) + k;
                if (ref == own) {
                    const float base = fresh->ConstantAddress(prop)[k];
                    return *own == base ? TScalarCode::Source() : TScalarCode::Constant(*own);
                }
                if (const int32_t v = VariableAtAddress(&record_, ref); v != 0) {
                    return TScalarCode::Variable(static_cast<uint32_t>(v));
                }
                if (const int32_t s = windowOf(ref); s >= 0) {
                    source.connections.push_back(
                        {static_cast<uint32_t>(s), static_cast<uint32_t>(w), prop, part});
                }
                return TScalarCode::Source();
            };
            for (int32_t p = 0; p < c.PropertyCount(); ++p) {
                const int32_t kind = c.PropertyKind(p);
                if (kind == kNumerical) {
                    window.codes.push_back(TPropertyCode::Scalar(scalar(p, kWholeProperty)));
                } else if (kind == kUV || kind == kVector) {
                    const float* first = c.InputAddress(p, 0);
                    const int32_t n = FloatCount(kind);
                    bool whole = first != c.ConstantAddress(p);
                    for (int32_t k = 1; k < n && whole; ++k)
                        whole = c.InputAddress(p, k) == first + k;
                    const int32_t v = whole ? VariableAtAddress(&record_, first, kind) : 0;
                    const int32_t s = whole ? windowOf(first) : -1;
                    if (v != 0) {
                        window.codes.push_back(TPropertyCode::Whole(TScalarCode::Variable(v)));
                    } else if (s >= 0) {
                        source.connections.push_back({static_cast<uint32_t>(s),
                                                      static_cast<uint32_t>(w), p, kWholeProperty});
                        window.codes.push_back(TPropertyCode::Whole(TScalarCode::Source()));
                    } else {
                        TPropertyCode code = TPropertyCode::Parts({scalar(p, 0), scalar(p, 1)});
                        if (n == 3)
                            code = TPropertyCode::Parts({scalar(p, 0), scalar(p, 1), scalar(p, 2)});
                        window.codes.push_back(code);
                    }
                } else if (kind == kEnumeration) {
                    const int32_t v =
                        VariableAtAddress(&record_, c.InputAddress(p, kWholeProperty));
                    window.codes.push_back(v != 0 ? TPropertyCode::EnumVariable(v)
                                                  : TPropertyCode::EnumValue(c.GetEnumValue(p)));
                } else if (kind == kFile) {
                    window.codes.push_back(TPropertyCode::File(c.GetEnumValue(p), c.FileKind()));
                }
            }
            // The window's height: the title bar and one 17-pixel row per whole property or per
            // part of a split one.
            int32_t rows = 0;
            for (const TPropertyCode& code : window.codes) {
                rows += code.form == TPropertyCode::kParts ? code.partCount : 1;
            }
            columnTop[column] += 17 + 17 * rows + 24;
            source.windows.push_back(std::move(window));
            source.folds.push_back(0);
        }
        source.rootWindow = 0;
        return source;
    }

    TThreadRecord record_;
    TXRTree tree_;
    TXRComponent* root_;
    TXRInterfaceModel interface_;
};

using Sample = std::function<std::string()>;

// Colour: a warm gradient along World.Y through a five-knot colour spline, rippled by a sine.
std::string SineGradient() {
    TSampleBuilder b;
    auto* sine = b.Add(101);
    b.Set(sine, 0, {0.25f});                    // Amplitude
    b.Set(sine, 1, {3.0f});                     // Frequency
    b.Set(sine, 2, {0.0f});                     // Offset
    b.Var(sine, 3, kWholeProperty, kVarWorld);  // World.X
    auto* add = b.Add(901);                     // World.Y + ripple
    b.Var(add, 0, kWholeProperty, kVarWorldY);
    b.Feed(sine, add, 1);
    auto* repeat = b.Add(105);  // into [0, 1)
    b.Feed(add, repeat, 2);
    auto* ramp = b.Add(115);
    b.Set(ramp, 0, {0.10f, 0.05f, 0.30f});
    b.Set(ramp, 1, {0.80f, 0.10f, 0.30f});
    b.Set(ramp, 2, {1.00f, 0.55f, 0.10f});
    b.Set(ramp, 3, {1.00f, 0.95f, 0.60f});
    b.Set(ramp, 4, {0.10f, 0.05f, 0.30f});
    b.Feed(repeat, ramp, 5);
    b.Enum(ramp, 6, 3);
    b.Feed(ramp, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Colour: fractal noise bends a stair-stepped band pattern, coloured through a colour spline.
std::string BandedNoise() {
    TSampleBuilder b;
    auto* noise = b.Add(104);  // Fractal 1/F noise (1D) along World.Z
    b.Set(noise, 0, {1.5f});
    b.Set(noise, 1, {2.0f});
    b.Var(noise, 3, kWholeProperty, kVarWorldZ);
    b.Set(noise, 5, {5.0f});
    auto* add = b.Add(901);
    b.Var(add, 0, kWholeProperty, kVarWorldY);
    b.Feed(noise, add, 1);
    auto* stairs = b.Add(109);
    b.Set(stairs, 0, {0.2f});
    b.Feed(add, stairs, 1);
    auto* repeat = b.Add(105);
    b.Feed(stairs, repeat, 2);
    auto* ramp = b.Add(115);
    b.Set(ramp, 0, {0.20f, 0.12f, 0.06f});
    b.Set(ramp, 1, {0.55f, 0.35f, 0.15f});
    b.Set(ramp, 2, {0.90f, 0.75f, 0.45f});
    b.Set(ramp, 3, {0.45f, 0.25f, 0.10f});
    b.Feed(repeat, ramp, 5);
    b.Enum(ramp, 6, 2);
    b.Feed(ramp, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Displacement: ripples from a rotated sine wave bend the shading normal (vector math only).
std::string RippleNormal() {
    TSampleBuilder b;
    auto* rotate = b.Add(713);  // the world point turned 30 degrees about Z
    b.Var(rotate, 0, kWholeProperty, kVarWorld);
    b.Set(rotate, 2, {0.0f, 0.0f, 30.0f});
    auto* along = b.Add(703);  // its X: the dot product with (1, 0, 0)
    b.Feed(rotate, along, 0);
    b.Set(along, 1, {1.0f, 0.0f, 0.0f});
    auto* sine = b.Add(101);
    b.Set(sine, 0, {0.6f});
    b.Set(sine, 1, {4.0f});
    b.Set(sine, 2, {0.0f});
    b.Feed(along, sine, 3);
    auto* tilt = b.Add(709);             // (sine, 0, 0) scaled onto the U direction
    b.Var(tilt, 0, kWholeProperty, 25);  // U Direction
    b.Feed(sine, tilt, 1);
    auto* bent = b.Add(701);
    b.Var(bent, 0, kWholeProperty, 46);  // Shading Normal
    b.Feed(tilt, bent, 1);
    auto* normal = b.Add(707);
    b.Feed(bent, normal, 0);
    b.Feed(normal, b.Root(), kRootNormal);
    return b.Stream("TFFF");
}

// Colour: bricks whose faces are mottled by fractal noise, in dark mortar, on the UV mapping.
std::string NoisyBricks() {
    TSampleBuilder b;
    auto* noise = b.Add(202);  // Fractal 1/F noise (2D) on the UV mapping
    b.Set(noise, 0, {0.35f});
    b.Set(noise, 1, {12.0f});
    b.Set(noise, 2, {0.65f});
    b.Var(noise, 3, kWholeProperty, 63);
    b.Set(noise, 5, {4.0f});
    auto* bricks = b.Add(403);  // tile value from the noise, mortar 0.15
    b.Feed(noise, bricks, 0);
    b.Set(bricks, 1, {0.15f});
    b.Set(bricks, 2, {0.25f, 0.125f});
    b.Var(bricks, 6, kWholeProperty, 63);
    auto* tint = b.Add(709);  // brick red scaled by the pattern
    b.Set(tint, 0, {0.75f, 0.32f, 0.2f});
    b.Feed(bricks, tint, 1);
    b.Feed(tint, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Colour: cellular stone: F2 − F1 cells in 3D make cracks, coloured by a grey-green spline.
std::string CellularStone() {
    TSampleBuilder b;
    auto* cells = b.Add(303);
    b.Set(cells, 0, {1.5f});
    b.Set(cells, 1, {3.0f});
    b.Set(cells, 4, {-1.0f});  // WeightF1
    b.Set(cells, 5, {1.0f});   // WeightF2
    b.Var(cells, 7, kWholeProperty, kVarWorld);
    auto* ramp = b.Add(115);
    b.Set(ramp, 0, {0.08f, 0.08f, 0.07f});
    b.Set(ramp, 1, {0.45f, 0.47f, 0.40f});
    b.Set(ramp, 2, {0.62f, 0.64f, 0.58f});
    b.Set(ramp, 3, {0.72f, 0.73f, 0.68f});
    b.Feed(cells, ramp, 5);
    b.Enum(ramp, 6, 2);
    b.Feed(ramp, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Colour: polka dots laid over a checker: dots switch between the two checker values.
std::string CheckerPolka() {
    TSampleBuilder b;
    auto* checker = b.Add(401);
    b.Set(checker, 0, {0.9f});
    b.Set(checker, 1, {0.2f});
    b.Set(checker, 2, {0.25f, 0.25f});
    b.Var(checker, 4, kWholeProperty, 63);
    auto* inverse = b.Add(902);  // 1.1 − checker: the other value
    b.Set(inverse, 0, {1.1f});
    b.Feed(checker, inverse, 1);
    auto* polka = b.Add(406);
    b.Feed(checker, polka, 0);
    b.Feed(inverse, polka, 1);
    b.Set(polka, 2, {0.125f, 0.125f});
    b.Var(polka, 5, kWholeProperty, 63);
    auto* tint = b.Add(709);
    b.Set(tint, 0, {0.95f, 0.85f, 0.55f});
    b.Feed(polka, tint, 1);
    b.Feed(tint, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Colour: the Mandelbrot set on the UV mapping, its escape value through a fiery colour ramp.
std::string MandelbrotRamp() {
    TSampleBuilder b;
    auto* fractal = b.Add(205);
    b.Set(fractal, 2, {-0.6f, 0.0f});  // Center
    b.Set(fractal, 3, {2.6f, 2.6f});   // Scale
    b.Var(fractal, 4, kWholeProperty, 63);
    b.Set(fractal, 5, {64.0f});
    auto* ramp = b.Add(115);
    b.Set(ramp, 0, {0.0f, 0.0f, 0.05f});
    b.Set(ramp, 1, {0.5f, 0.05f, 0.3f});
    b.Set(ramp, 2, {1.0f, 0.5f, 0.0f});
    b.Set(ramp, 3, {1.0f, 0.95f, 0.6f});
    b.Set(ramp, 4, {0.0f, 0.0f, 0.0f});
    b.Feed(fractal, ramp, 5);
    b.Enum(ramp, 6, 3);
    b.Feed(ramp, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Colour: six octaves of 3D fractal noise shading a sky blue; the subject of the renderer
// benchmark against another renderer's turbulent noise pattern.
std::string FractalNoise() {
    TSampleBuilder b;
    auto* noise = b.Add(302);
    b.Set(noise, 0, {1.8f});   // Amplitude
    b.Set(noise, 1, {2.5f});   // Frequency
    b.Set(noise, 2, {-0.4f});  // Offset
    b.Var(noise, 3, kWholeProperty, kVarWorld);
    b.Set(noise, 5, {6.0f});  // Octaves
    auto* tint = b.Add(709);
    b.Set(tint, 0, {0.35f, 0.55f, 0.95f});
    b.Feed(noise, tint, 1);
    b.Feed(tint, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// Reflectance: clear glass that traces its mirror reflection and its refraction, tinted blue.
std::string Glass() {
    TSampleBuilder b;
    auto* glass = b.Add(816);
    b.Set(glass, 0, {0.02f});               // Ambient
    b.Set(glass, 1, {0.08f});               // Diffuse
    b.Set(glass, 2, {0.85f, 0.93f, 1.0f});  // Color
    b.Set(glass, 3, {0.9f});                // Specular
    b.Set(glass, 4, {0.85f});               // Sharpness
    b.Set(glass, 7, {0.12f});               // Reflection
    b.Set(glass, 8, {0.5f});                // ReflectionParameter
    b.Set(glass, 9, {0.88f});               // Transmission
    b.Set(glass, 10, {0.8f});               // TransmissionParameter
    b.Set(glass, 11, {1.45f});              // RefractionIndex
    b.Feed(glass, b.Root(), kRootColor);
    return b.Stream("FFFT");
}

// Colour: fractal noise read as a temperature and glowing as a black body from 1000 K up.
std::string BlackBodyGlow() {
    TSampleBuilder b;
    auto* noise = b.Add(302);
    b.Set(noise, 0, {12.0f});  // Amplitude
    b.Set(noise, 1, {1.8f});   // Frequency
    b.Set(noise, 2, {-3.6f});  // Offset
    b.Var(noise, 3, kWholeProperty, kVarWorld);
    b.Set(noise, 5, {5.0f});  // Octaves
    auto* glow = b.Add(1005);
    b.Feed(noise, glow, 0);
    b.Feed(glow, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

// The inner tree of the "Marble" custom component: bands of a sine over fractal noise of the
// world point mix the vein and stone colours. Trigger 1 is the noise frequency, triggers 2 and 3
// the two colours.
std::string MarbleDefinition() {
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    const auto add = [&](int32_t id) { return tree.AddComponent(CreateComponent(id)); };
    const auto trigger = [&](int32_t n) { return VariableAddress(&record, kVarTrigger1 + n - 1); };
    auto* noise = add(302);
    noise->SetConstant(0, kWholeProperty, 6.0f);  // Amplitude
    noise->Connect(1, kWholeProperty, trigger(1));
    noise->Connect(3, kWholeProperty, VariableAddress(&record, kVarWorld));
    noise->SetConstant(5, kWholeProperty, 5.0f);  // Octaves
    auto* bands = add(101);
    bands->Connect(3, kWholeProperty, noise->OutputAddress());
    tree.Link(noise, bands);
    auto* mix = add(601);
    mix->Connect(0, kWholeProperty, trigger(2));
    mix->Connect(1, kWholeProperty, trigger(3));
    mix->Connect(2, kWholeProperty, bands->OutputAddress());
    tree.Link(bands, mix);
    tree.SetRoot(mix, true);

    TCustomDefinitionParts parts;
    parts.Title = "Marble";
    parts.Hint = "Veins of one colour through stone of another";
    TCustomProperty scale{"Scale", "Frequency of the veins' noise", kNumerical, false, {}, {}};
    scale.Defaults = {2.0f, 0, 0};
    TCustomProperty vein{"Vein", "Colour of the veins", kVector, false, {}, {}};
    vein.PartLetters = "RGB";
    vein.Defaults = {0.25f, 0.22f, 0.2f};
    TCustomProperty stone{"Stone", "Colour of the stone", kVector, false, {}, {}};
    stone.PartLetters = "RGB";
    stone.Defaults = {0.92f, 0.9f, 0.86f};
    parts.Properties = {scale, vein, stone};
    parts.InnerTree = tree.WriteTree();
    return MakeCustomDefinition(parts).value_or("");
}

// Colour: green marble through the "Marble" custom component.
std::string CustomMarble() {
    TSampleBuilder b;
    auto* marble = b.Add(b.Define(MarbleDefinition()));
    b.Set(marble, 0, {1.6f});
    b.Set(marble, 1, {0.05f, 0.2f, 0.12f});
    b.Set(marble, 2, {0.55f, 0.75f, 0.6f});
    b.Feed(marble, b.Root(), kRootColor);
    return b.Stream("FFTT");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vandrel_make_samples OUTPUT_FOLDER\n");
        return 1;
    }
    InstallComponents();
    const std::filesystem::path folder = argv[1];
    const std::vector<std::pair<const char*, Sample>> samples = {
        {"Sine Gradient.xrb", SineGradient},
        {"Banded Noise.xrb", BandedNoise},
        {"Ripple Normal.xrb", RippleNormal},
        {"Noisy Bricks.xrb", NoisyBricks},
        {"Cellular Stone.xrb", CellularStone},
        {"Checker Polka.xrb", CheckerPolka},
        {"Mandelbrot Ramp.xrb", MandelbrotRamp},
        {"Fractal Noise.xrb", FractalNoise},
        {"Glass.xrb", Glass},
        {"Black Body Glow.xrb", BlackBodyGlow},
        {"Custom Marble.xrb", CustomMarble},
    };
    int status = 0;
    for (const auto& [name, make] : samples) {
        const TSaveResult saved = SaveShaderFile(folder / name, make());
        if (!saved.ok) {
            std::fprintf(stderr, "vandrel_make_samples ERROR: \"%s\" : %s\n", name,
                         saved.error.c_str());
            status = 1;
        } else {
            std::printf("%s\n", (folder / name).c_str());
        }
    }
    return status;
}
