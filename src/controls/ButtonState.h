#pragma once

// The look of the program's push buttons. A play-control button starts at None,
// drawn as Normal.
enum class ButtonState : int {
    None = 0,
    Normal = 1,
    Hover = 2,
    Pressed = 4,
};
