#pragma once
// Editing a dialog template in memory: replacing its font. Pure code over bytes, so
// it is tested and fuzzed without a window.

#include <cstdint>
#include <string>
#include <vector>

// Returns a copy of the template (DLGTEMPLATE or DLGTEMPLATEEX) whose font is `face`
// at `pointSize`; the controls follow unchanged. A template without a font gets one.
// Empty when the template is damaged.
std::vector<uint8_t> ReplaceTemplateFont(const std::vector<uint8_t>& dialogTemplate,
                                         const std::string& face, int pointSize);

// The point size that keeps a dialog designed for 8 points at 96 dots per inch at the
// same pixel size on a screen of `dotsPerInch`.
int FixedFontPointSize(int dotsPerInch);
