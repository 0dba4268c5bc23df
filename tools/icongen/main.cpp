// Draws the program's icons: the APRS symbol pictures of Xastir's symbols.dat plus the
// application and squelch icons, as 32x32 16-colour PNGs and Windows .ico files, with a Qt
// resource collection and a Windows resource script listing them; the application icon also as
// 192x192 and 512x512 PNGs for the web app.
//
// Usage: icongen <symbols.dat> <output directory>

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "artwork.h"
#include "ico_writer.h"
#include "png_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace vindrel::icongen;

void WriteFile(const fs::path& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: " << argv[0] << " <symbols.dat> <output directory>\n";
    return 2;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const SymbolPictures pictures = ReadSymbolFile(in);

    const fs::path outDir = argv[2];
    fs::create_directories(outDir);
    const std::map<int, Canvas> icons = DrawIconSet(pictures);
    for (const auto& [id, canvas] : icons) {
      const IndexedImage image = ToIndexed(canvas);
      const std::vector<std::uint8_t> png = EncodePng(image);
      WriteFile(outDir / (std::to_string(id) + ".png"), reinterpret_cast<const char*>(png.data()),
                png.size());
      const std::vector<std::uint8_t> ico = EncodeIco(image);
      WriteFile(outDir / (std::to_string(id) + ".ico"), reinterpret_cast<const char*>(ico.data()),
                ico.size());
    }
    // The application icon as large as web app launchers ask for it.
    for (const int size : {192, 512}) {
      const IndexedImage image = Enlarged(ToIndexed(icons.at(kApplicationIconId)), size / 32);
      const std::vector<std::uint8_t> png = EncodePng(image);
      WriteFile(outDir / ("application-" + std::to_string(size) + ".png"),
                reinterpret_cast<const char*>(png.data()), png.size());
    }
    const std::string qrc = ResourceCollection(icons);
    WriteFile(outDir / "icons.qrc", qrc.data(), qrc.size());
    const std::string rc = ResourceScript(icons);
    WriteFile(outDir / "icons.rc", rc.data(), rc.size());
  } catch (const std::exception& e) {
    std::cerr << argv[0] << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
