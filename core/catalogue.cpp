#include "core/catalogue.h"

#include <algorithm>

namespace vandrel {

namespace {

constexpr CatalogueRow kRows[] = {
    {101, 0, "TXRCSine", "Sine Function", kNumerical, "NNNN"},
    {102, 0, "TXRCGauss", "Gauss' Function (1D)", kNumerical, "NNNNN"},
    {106, 0, "TXRCSawTooth", "Sawtooth Generator", kNumerical, "NNNENNENNNE"},
    {108, 0, "TXRCSmoothStep", "Smooth Step", kNumerical, "NNNNN"},
    {103, 0, "TXRCNoise1D", "Noise Function (1D)", kNumerical, "NNNNE"},
    {110, 0, "TXRCNoise1DColor", "Color Noise Function (1D)", kVector, "VNVNE"},
    {104, 0, "TXRCTurbulence1D", "Fractal 1/F Noise Function (1D)", kNumerical, "NNNNEN#"},
    {111, 0, "TXRCTurbulence1DColor", "Color Fractal 1/F Noise Function (1D)", kVector, "VNVNEN#"},
    {112, 0, "TXRCShuffle1D", "Random (1D)", kNumerical, "NNNNN#"},
    {105, 0, "TXRCRepeat", "Repeat Range", kNumerical, "NNN"},
    {107, 0, "TXRCClamp", "Clamps", kNumerical, "NNEN"},
    {109, 0, "TXRCStairCase", "Staircase", kNumerical, "NN"},
    {113, 0, "TXRCSpline", "Spline", kNumerical, "NNNNNNE"},
    {114, 0, "TXRCSpline2D", "UV Vector Spline", kUV, "UUUUUNE"},
    {115, 0, "TXRCSpline3D", "3D Vector/Color Spline", kVector, "VVVVVNE"},
    {203, 1, "TXRCGauss2D", "Gauss' Function (2D)", kNumerical, "NNUNU"},
    {201, 1, "TXRCNoise2D", "Noise Function (2D)", kNumerical, "NNNUE"},
    {206, 1, "TXRCNoise2DColor", "Color Noise Function (2D)", kVector, "VNVUE"},
    {202, 1, "TXRCTurbulence2D", "Fractal 1/F Noise Function (2D)", kNumerical, "NNNUEN#"},
    {207, 1, "TXRCTurbulence2DColor", "Color Fractal 1/F Noise Function (2D)", kVector, "VNVUEN#"},
    {204, 1, "TXRCCell2D", "Cellular Texture Base Function (2D)", kNumerical, "NNNNNNNUN#"},
    {210, 1, "TXRCBirdshot2D", "Birdshot (2D)", kNumerical, "NNNNNNEUN#"},
    {209, 1, "TXRCShuffle2D", "Random (2D)", kNumerical, "NNUUN#"},
    {205, 1, "TXRCMandelbrot", "Mandelbrot Set", kNumerical, "NNUNUN#"},
    {208, 1, "TXRCJulia", "Julia Set", kNumerical, "NNUNUUN#"},
    {304, 2, "TXRCGauss3D", "Gauss' Function (3D)", kNumerical, "NNVNV"},
    {301, 2, "TXRCNoise3D", "Noise Function (3D)", kNumerical, "NNNVE"},
    {305, 2, "TXRCNoise3DColor", "Color Noise Function (3D)", kVector, "VNVVE"},
    {302, 2, "TXRCTurbulence3D", "Fractal 1/F Noise Function (3D)", kNumerical, "NNNVEN#"},
    {306, 2, "TXRCTurbulence3DColor", "Color Fractal 1/F Noise Function (3D)", kVector, "VNVVEN#"},
    {303, 2, "TXRCCell3D", "Cellular Texture Base Function (3D)", kNumerical, "NNNNNNNVN#"},
    {308, 2, "TXRCBirdshot3D", "Birdshot (3D)", kNumerical, "NNNNNNEVN#"},
    {307, 2, "TXRCShuffle3D", "Random (3D)", kNumerical, "NNVVN#"},
    {401, 3, "TXRCChecker", "Checker", kNumerical, "NNUNU"},
    {402, 3, "TXRCChecker3D", "Checker (3D)", kNumerical, "NNVNV"},
    {403, 3, "TXRCQuadTile", "Brick/Tile (2D)", kNumerical, "NNUNUNU"},
    {404, 3, "TXRCBoxTile", "Brick/Tile (3D)", kNumerical, "NNVUVNV"},
    {406, 3, "TXRCPolka2D", "Polka Dots (2D)", kNumerical, "NNUUNU"},
    {407, 3, "TXRCPolka3D", "Polka Dots (3D)", kNumerical, "NNVVNV"},
    {408, 3, "TXRCStripes", "Stripes", kNumerical, "NNNNNNUE"},
    {409, 3, "TXRCCircles", "Circles/Spiral", kNumerical, "NNNNNNUE"},
    {410, 3, "TXRCRays", "Rays", kNumerical, "NNN#NNNU"},
    {411, 3, "TXRCCrossWeave", "Cross-Weave Pattern", kNumerical, "NNNUUNU"},
    {412, 3, "TXRCVectorPattern", "Pattern", kNumerical, "NNUNNUE"},
    {413, 3, "TXRCShapesPattern", "Random Shapes", kNumerical, "NNUUUNNUN#EN#N#"},
    {501, 4, "TXRCPosterize", "Posterize (Reduce Color Palette)", kVector, "VN"},
    {502, 4, "TXRCHSVShift", "HSV Shift/Replace", kVector, "VVE"},
    {503, 4, "TXRCTint", "Blend 2 Colors", kVector, "VVNE"},
    {508, 4, "TXRCGamma", "Apply Gamma", kVector, "VV"},
    {504, 4, "TXRCSample2D", "Mosaic (2D)", kUV, "UNUE"},
    {505, 4, "TXRCSample3D", "Mosaic (3D)", kVector, "VUVE"},
    {506, 4, "TXRCCrystalize2D", " Crystallize (2D)", kUV, "NNUEN#"},
    {507, 4, "TXRCCrystalize3D", "Crystallize (3D)", kVector, "NNVEN#"},
    {509, 4, "TXRCVectorMosaic", "Pattern Mosaic", kUV, "UUEE"},
    {510, 4, "TXRCShapesMosaic", "Random Shapes Mosaic", kUV, "UUUUN#EEN#N#"},
    {801, 5, "TXRCAmbient", "Ambient Illumination", kVector, "N"},
    {802, 5, "TXRCDiffuse", "Diffuse Illumination", kVector, "N"},
    {803, 5, "TXRCPhong", "Phong Illumination", kVector, "NN"},
    {804, 5, "TXRCSpecular", "Specular Illumination", kVector, "NN"},
    {805, 5, "TXRCSpecularFresnel", "Specular Illumination for Conductor Materials (Fresnel's Law)",
     kVector, "NVVN"},
    {806, 5, "TXRCSpecularSolid", "Specular \"Solid\" Illumination", kVector, "NNN"},
    {807, 5, "TXRCSpecularSolidFresnel",
     "Specular Illumination for Dielectric Materials (Fresnel's Law)", kVector, "NNN"},
    {808, 5, "TXRCRaytrace", "Raytrace", kVector, "NVVN"},
    {809, 5, "TXRCReflect", "Reflect", kVector, "VV"},
    {817, 5, "TXRCSafeReflect", "Safe Reflect", kVector, "VVVNN"},
    {810, 5, "TXRCRefract", "Refract", kVector, "VVN"},
    {811, 5, "TXRCFresnelReflect",
     "Contribution of Reflection for Conductor Materials (Fresnel's Law)", kVector, "VV"},
    {812, 5, "TXRCFresnelSolidReflect",
     "Contribution of Reflection for Dielectric Materials (Fresnel's Law)", kNumerical, "N"},
    {815, 5, "TXRCSimpleReflectance", "Simple Reflectance", kVector, "NNVNNE"},
    {816, 5, "TXRCReflectance", "Reflectance", kVector, "NNVNNVENNNNN"},
    {701, 6, "TXRCAdd3D", "3D Vector/Color Add", kVector, "VV"},
    {702, 6, "TXRCSub3D", "3D Vector/Color Subtract", kVector, "VV"},
    {706, 6, "TXRCMul3D", "3D Vector/Color Multiply", kVector, "VV"},
    {709, 6, "TXRCScale3D", "3D Vector Scale", kVector, "VN"},
    {713, 6, "TXRCRotate3D", "3D Vector Rotate", kVector, "VVV"},
    {714, 6, "TXRCRotateAxis", "3D Vector Rotate (Axis)", kVector, "VVVN"},
    {703, 6, "TXRCDot3D", "3D Vector Dot Product", kNumerical, "VVEE"},
    {704, 6, "TXRCCross3D", "3D Vector Cross Product", kVector, "VV"},
    {705, 6, "TXRCLength3D", "3D Vector Length", kNumerical, "V"},
    {707, 6, "TXRCNormalize3D", "3D Vector Normalize", kVector, "V"},
    {708, 6, "TXRCInvert3D", "3D Vector/Color Invert", kVector, "VE"},
    {601, 6, "TXRCGrad2C", "Interpolate 2 3D Vectors/Colors", kVector, "VVNE"},
    {711, 6, "TXRCBlend3D", "Average 2 Weighted 3D Vectors/Colors", kVector, "VNVN"},
    {710, 6, "TXRCDistance3D", "3D Vector/Color Distance", kNumerical, "VVE"},
    {715, 6, "TXRCDist2Line3D", "3D Vector Distance to Line", kNumerical, "VVVEE"},
    {712, 6, "TXRCSwitch3D", "Switch 2 3D Vectors/Colors", kVector, "VVE"},
    {602, 7, "TXRCAdd2D", "UV Vector Add", kUV, "UU"},
    {603, 7, "TXRCSub2D", "UV Vector Subtract", kUV, "UU"},
    {606, 7, "TXRCMul2D", "UV Vector Multiply", kUV, "UU"},
    {610, 7, "TXRCScale2D", "UV Vector Scale", kUV, "UN"},
    {614, 7, "TXRCRotate2D", "UV Vector Rotate", kUV, "UUN"},
    {604, 7, "TXRCDot2D", "UV Vector Dot Product", kNumerical, "UUEE"},
    {605, 7, "TXRCLength2D", "UV Vector Length", kNumerical, "U"},
    {607, 7, "TXRCNormalize2D", "UV Vector Normalize", kUV, "U"},
    {609, 7, "TXRCInvert2D", "UV Vector Invert", kUV, "U"},
    {608, 7, "TXRCInterpolate2D", "Interpolate 2 UV Vectors", kUV, "UUNE"},
    {612, 7, "TXRCBlend2D", "Average 2 Weighted UV Vectors", kUV, "UNUN"},
    {611, 7, "TXRCDistance2D", "UV Vector Distance", kNumerical, "UUE"},
    {615, 7, "TXRCDist2Line2D", "UV Vector Distance to Line", kNumerical, "UUUEE"},
    {613, 7, "TXRCSwitch2D", "Switch 2 UV Vectors", kUV, "UUE"},
    {901, 8, "TXRCAdd", "Add (A+B)", kNumerical, "NN"},
    {902, 8, "TXRCSubtract", "Subtract (A-B)", kNumerical, "NN"},
    {903, 8, "TXRCMultiply", "Multiply (A*B)", kNumerical, "NN"},
    {904, 8, "TXRCDivide", "Divide (A/B)", kNumerical, "NN"},
    {905, 8, "TXRCModulo", "Remainder (A mod B)", kNumerical, "NN"},
    {909, 8, "TXRCCompare", "Compare", kNumerical, "NNNNNE"},
    {916, 8, "TXRCMaxMin", "Maximum/Minimum", kNumerical, "NNE"},
    {910, 8, "TXRCFx", "Commonly Used Simple Functions", kNumerical, "NE"},
    {911, 8, "TXRCPower", "Power", kNumerical, "NN"},
    {912, 8, "TXRCBoolean", "Boolean Operations", kNumerical, "NNE"},
    {913, 8, "TXRCInterpolate1D", "Interpolate 2 Numerical Values", kNumerical, "NNNE"},
    {914, 8, "TXRCBlend", "Average 2 Weighted Numerical Values", kNumerical, "NNNN"},
    {915, 8, "TXRCSwitch1D", "Switch 2 Numerical Values", kNumerical, "NNE"},
    {1001, 9, "TXRC3Dto1D", "3D Vector/Color to Numerical Value", kNumerical, "VE"},
    {1006, 9, "TXRC2Dto1D", "UV Vector to Numerical Value", kNumerical, "UE"},
    {1003, 9, "TXRCDistance", "Length Unit Conversion", kNumerical, "NEE"},
    {1002, 9, "TXRCAngle", "Degrees to/from Radians", kNumerical, "NE"},
    {1009, 9, "TXRC3DtoSphere", "3D Vector to/from Spherical Coordinates", kVector, "VE"},
    {1010, 9, "TXRC2DtoPolar", "UV Vector to/from Polar Coordinates", kUV, "UE"},
    {1011, 9, "TXRC3Dto2D", "UV Projection (3D to 2D)", kUV, "VVNEV"},
    {1004, 9, "TXRCHSVRGB", "HSV to/from RGB", kVector, "VE"},
    {1005, 9, "TXRCBlackbody", "Black Body Radiation to RGB", kVector, "N"},
    {1007, 9, "TXRCSpectrum", "Monochromatic Light (Wavelength) to RGB", kVector, "N"},
    {1008, 9, "TXRCObjectData", "Underlying Object Parameters", kVector, "E"},
    {1101, 10, "TXRCTexture", "Simple Texture", kVector, "FE"},
    {1102, 10, "TXRCTexValue", "Value from Simple Texture", kNumerical, "FEE"},
    {1103, 10, "TXRCBump", "Simple Bump Map", kVector, "FEN"},
    {1104, 10, "TXRCImage", "Texture", kVector, "FEUUEVU"},
    {1105, 10, "TXRCImageValue", "Value from Texture", kNumerical, "FEUUEVEU"},
    {1106, 10, "TXRCAudio", "Audio File", kNumerical, "FNNEENN"},
};

constexpr std::string_view kTabs[kCatalogueTabCount] = {
    "1D", "2D",        "3D",         "Patterns", "Effects", "Reflectance", "Vectors/Colors",
    "UV", "Low-level", "Converters", "Files"};

template <class Field>
std::string Join(Field field) {
    std::string text;
    int32_t tab = 0;
    bool first = true;
    for (const CatalogueRow& row : kRows) {
        while (tab < row.tab) {
            text += '|';
            ++tab;
            first = true;
        }
        if (!first) text += ';';
        text += field(row);
        first = false;
    }
    return text;
}

}  // namespace

std::span<const CatalogueRow> Catalogue() { return kRows; }

const CatalogueRow* FindCatalogueRow(int32_t id) {
    const auto it = std::find_if(std::begin(kRows), std::end(kRows),
                                 [id](const CatalogueRow& row) { return row.id == id; });
    return it != std::end(kRows) ? &*it : nullptr;
}

std::string_view CatalogueTabCaption(int32_t tab) {
    if (tab < 0 || tab >= kCatalogueTabCount) return {};
    return kTabs[tab];
}

std::string CatalogueIdentifierText() {
    return Join([](const CatalogueRow& row) { return std::to_string(row.id); });
}

std::string CatalogueNameText() {
    return Join([](const CatalogueRow& row) { return std::string(row.name); });
}

std::vector<SignatureProperty> ParseSignature(std::string_view signature) {
    std::vector<SignatureProperty> props;
    for (const char c : signature) {
        switch (c) {
            case 'N':
                props.push_back({kNumerical, false});
                break;
            case 'U':
                props.push_back({kUV, false});
                break;
            case 'V':
                props.push_back({kVector, false});
                break;
            case 'E':
                props.push_back({kEnumeration, false});
                break;
            case 'F':
                props.push_back({kFile, false});
                break;
            case '#':
                if (!props.empty()) props.back().whole = true;
                break;
            default:
                break;
        }
    }
    return props;
}

bool IsConstantFoldable(int32_t id) {
    if (id >= 801 && id <= 808) return false;
    if (id == 811 || id == 812 || id == 815 || id == 816 || id == 1008) return false;
    if (id >= 1101 && id <= 1106) return false;
    return true;
}

}  // namespace vandrel
