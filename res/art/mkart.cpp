// Turns the text pictures in res/art/*.art into the 16-colour .bmp and .ico files of res/.
//
//   mkart <input.art> <output.bmp|output.ico>
//
// An .art file holds one or more frames of equal size, separated by blank lines; '#' starts a
// comment line. Each character is one pixel, a hex digit giving the index into the standard
// 16-colour palette (0 black, 7 silver, 8 gray, f white, ...). '.' is silver (7), the colour the
// program treats as transparent in bitmaps. In icons '-' is a transparent pixel.
// A bitmap places its frames side by side (a toolbar strip); an icon stores each frame as one
// image of the icon.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

const std::uint8_t kPalette[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

using Frame = std::vector<std::string>;

bool ReadFrames(const char* path, std::vector<Frame>& frames) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    Frame current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        if (line.empty()) {
            if (!current.empty()) frames.push_back(current);
            current.clear();
            continue;
        }
        current.push_back(line);
    }
    if (!current.empty()) frames.push_back(current);
    return !frames.empty();
}

int PixelIndex(char c) {
    if (c == '.' || c == '-') return 7;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER, palette, 4-bit pixels (bottom-up) and, for icons, the 1-bit AND mask.
std::vector<std::uint8_t> Dib(const std::vector<std::string>& rows, bool withMask) {
    const unsigned width = static_cast<unsigned>(rows[0].size());
    const unsigned height = static_cast<unsigned>(rows.size());
    const unsigned xorStride = ((width * 4 + 31) / 32) * 4;
    const unsigned andStride = ((width + 31) / 32) * 4;
    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, width);
    Put32(out, withMask ? height * 2 : height);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);
    Put32(out, xorStride * height + (withMask ? andStride * height : 0));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 16);
    Put32(out, 0);
    for (const auto& c : kPalette) {
        out.push_back(c[2]);
        out.push_back(c[1]);
        out.push_back(c[0]);
        out.push_back(0);
    }
    for (unsigned y = height; y-- > 0;) {
        std::vector<std::uint8_t> line(xorStride, 0);
        for (unsigned x = 0; x < width; ++x) {
            const int index = rows[y][x] == '-' ? 0 : PixelIndex(rows[y][x]);
            line[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    if (withMask) {
        for (unsigned y = height; y-- > 0;) {
            std::vector<std::uint8_t> line(andStride, 0);
            for (unsigned x = 0; x < width; ++x) {
                if (rows[y][x] == '-') line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
            out.insert(out.end(), line.begin(), line.end());
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mkart input.art output.bmp|output.ico\n";
        return 2;
    }
    std::vector<Frame> frames;
    if (!ReadFrames(argv[1], frames)) {
        std::cerr << argv[1] << ": no frames\n";
        return 1;
    }
    for (const Frame& f : frames) {
        for (const std::string& row : f) {
            for (char c : row) {
                if (PixelIndex(c) < 0) {
                    std::cerr << argv[1] << ": bad pixel '" << c << "'\n";
                    return 1;
                }
            }
            if (row.size() != f[0].size()) {
                std::cerr << argv[1] << ": ragged rows\n";
                return 1;
            }
        }
    }
    const std::string output = argv[2];
    const bool icon = output.size() > 4 && output.substr(output.size() - 4) == ".ico";
    std::vector<std::uint8_t> file;
    if (icon) {
        std::vector<std::vector<std::uint8_t>> images;
        for (const Frame& f : frames)
            images.push_back(Dib(f, true));
        Put16(file, 0);
        Put16(file, 1);
        Put16(file, static_cast<unsigned>(images.size()));
        unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            file.push_back(static_cast<std::uint8_t>(frames[i][0].size()));
            file.push_back(static_cast<std::uint8_t>(frames[i].size()));
            file.push_back(16);
            file.push_back(0);
            Put16(file, 1);
            Put16(file, 4);
            Put32(file, static_cast<unsigned>(images[i].size()));
            Put32(file, offset);
            offset += static_cast<unsigned>(images[i].size());
        }
        for (const auto& image : images)
            file.insert(file.end(), image.begin(), image.end());
    } else {
        std::vector<std::string> strip(frames[0].size());
        for (const Frame& f : frames) {
            if (f.size() != strip.size()) {
                std::cerr << argv[1] << ": frames of different heights\n";
                return 1;
            }
            for (std::size_t y = 0; y < f.size(); ++y)
                strip[y] += f[y];
        }
        const std::vector<std::uint8_t> dib = Dib(strip, false);
        file.push_back('B');
        file.push_back('M');
        Put32(file, 14 + static_cast<unsigned>(dib.size()));
        Put32(file, 0);
        Put32(file, 14 + 40 + 64);
        file.insert(file.end(), dib.begin(), dib.end());
    }
    std::ofstream out(output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}
