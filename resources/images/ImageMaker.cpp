// Writes the pictures of one image set as PNG files and the resource list that
// packs them under :/images/.
//
//   ombrel-images-<set> OUTDIR QRCFILE NAME...
//
// The names are those the build expects; a set that draws others fails, so the
// build's list and the drawings cannot drift apart.
#include "ImageMaker.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <set>

namespace {

QImage Render(const images::ImageRecipe& recipe) {
    QImage image(recipe.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    recipe.draw(painter, QSizeF(recipe.size));
    painter.end();
    return image;
}

bool WriteList(const QString& path, const std::vector<images::ImageRecipe>& recipes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream out(&file);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/images\">\n";
    for (const images::ImageRecipe& recipe : recipes) {
        out << "    <file>" << recipe.name << ".png</file>\n";
    }
    out << "</qresource>\n</RCC>\n";
    out.flush();
    return file.commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR QRCFILE NAME...\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString listPath = QString::fromLocal8Bit(argv[2]);
    std::set<QString> expected;
    for (int i = 3; i < argc; ++i) {
        expected.insert(QString::fromLocal8Bit(argv[i]));
    }
    const std::vector<images::ImageRecipe> recipes = images::ImageRecipes();
    std::set<QString> drawn;
    for (const images::ImageRecipe& recipe : recipes) {
        drawn.insert(QString::fromLatin1(recipe.name));
    }
    if (drawn != expected) {
        std::fprintf(stderr, "the image set's drawings and the build's list differ\n");
        return 1;
    }
    QDir().mkpath(outDir);
    for (const images::ImageRecipe& recipe : recipes) {
        const QString path = outDir + QLatin1Char('/') + QLatin1String(recipe.name) + ".png";
        if (!Render(recipe).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    if (!WriteList(listPath, recipes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(listPath));
        return 1;
    }
    return 0;
}
