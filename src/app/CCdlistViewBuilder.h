#pragma once

class CCdlistView;

// Builds the main form's controls at their design positions. Every control is a direct
// child of the form (group boxes are frames behind their controls), so that resizing
// scales each one proportionally.
class CCdlistViewBuilder
{
public:
    static void Build(CCdlistView& view);
};
