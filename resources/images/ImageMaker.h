#pragma once

#include <QPainter>
#include <QSize>

#include <functional>
#include <vector>

namespace images {

// One picture of the program's resources, drawn at build time.
struct ImageRecipe {
    const char* name;  // RID_..., the resource is :/images/<name>.png
    QSize size;        // pixels of the PNG; controls scale it to their own size
    // Draws on a transparent canvas of `size` with antialiasing on.
    std::function<void(QPainter& painter, const QSizeF& size)> draw;
};

// Each image set (one source file per area) defines its pictures here; its maker
// program writes them as PNG files.
std::vector<ImageRecipe> ImageRecipes();

}  // namespace images
