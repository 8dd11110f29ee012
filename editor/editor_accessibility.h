// What screen readers and UI automation learn of the shader editor's canvas: each container is a
// group named by its component's title; its output dot, fold button and property inputs are
// buttons and combo boxes named after them, each constant's field an editable spin box named by
// its property; the canvas lists the wires after the containers, each named by its source and
// target; the preview is a picture. The plug-in's controls come with them
// (editor/controls/control_accessibility.h).
#pragma once

#include <QString>

namespace vandrel {

struct TXRComponentConnection;

// Installs the interfaces once per process; every window of the editor calls it.
void InstallEditorAccessibility();

// "Source → Target.Property" (with the part's letter for a single part).
QString WireName(const TXRComponentConnection& connection);

}  // namespace vandrel
