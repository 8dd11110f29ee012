// Which shader each output type shows and the trigger values its panel starts from. Output types
// that show the same stand-alone shader file share one set of values.
#pragma once

#include <cstdint>
#include <string_view>

namespace vandrel {

struct TPluginState;

// Tells the interface model the shader file of every output type and whether it stands alone.
void UpdateOutputTypeLinks(TPluginState& plugin);

// The user chose a shader holding `stream` for the output type (its file already current): the
// type's values become the interface's defaults, then the values of an output type it is now
// linked to, if any. The links are brought up to date on the way.
void TakeChosenShaderValues(TPluginState& plugin, int32_t outputType, std::string_view stream);

// The interface of `stream` changed: the output type's values become its defaults.
void TakeInterfaceDefaults(TPluginState& plugin, int32_t outputType, std::string_view stream);

}  // namespace vandrel
