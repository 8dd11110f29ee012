// How the plug-in's windows reach each other: the four manager panels (one per output type), the
// one shader editor, and the help. Each window registers itself here while it exists and
// unregisters before it is destroyed; a missing window simply gets no calls.
//
// User-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/context.h"

namespace vandrel {

// What the editor tells a manager panel. File names are full paths; panels compare them without
// regard to case.
class TShaderPanelLink {
  public:
    virtual ~TShaderPanelLink() = default;
    // New, Clone or an encrypted save wrote a shader file: rebuild the shader list.
    virtual void ShaderListChanged() = 0;
    // The information file of the shader changed (a bare file name, maybe empty).
    virtual void InformationFileChanged(std::string_view shaderFile, std::string_view infoFile) = 0;
    // The file was written back to its saved stream: a panel showing it reloads it.
    virtual void ShaderFileReverted(std::string_view shaderFile) = 0;
    // The file was overwritten by an encrypted save: a panel showing it disables Edit and Clone.
    virtual void ShaderEncrypted(std::string_view shaderFile) = 0;
};

// What a manager panel asks of the editor.
class TEditorLink {
  public:
    virtual ~TEditorLink() = default;
    // Shows the editor and opens the file in it (with the editor's save or revert prompt).
    virtual void EditShader(const std::string& file) = 0;
    // The file open in the editor, empty when none.
    virtual std::string EditedShader() const = 0;
    // The editor's current stream, built now (for an output type whose panel must write it).
    virtual std::string CurrentStream() = 0;
};

struct TWindowLinks {
    std::array<TShaderPanelLink*, kOutputTypeCount> Panels{};
    TEditorLink* Editor = nullptr;
    // Opens a help topic in the system browser; an empty topic opens the contents.
    std::function<void(std::string_view topic)> Help;
    // Shows the about box.
    std::function<void()> About;

    template <class F>
    void ForEachPanel(F&& f) const {
        for (TShaderPanelLink* panel : Panels) {
            if (panel != nullptr) f(*panel);
        }
    }
};

TWindowLinks& WindowLinks();

}  // namespace vandrel
