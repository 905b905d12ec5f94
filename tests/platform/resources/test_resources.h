// Identifiers of the platform tests' own resources.
#pragma once

// Buttons, read-only and editable boxes, texts, group boxes and an up-down with its buddy.
#define IDD_PANEL 200
// Two default push buttons, the first one the first tab stop, and an icon the module lacks.
#define IDD_TWO_DEFAULTS 201
