#include "database/text_format.h"

#include <cmath>
#include <cstdio>

namespace morvel {

std::string plainNumber(double value) {
    const float single = static_cast<float>(value);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(single));
    std::string s = buffer;
    const auto e = s.find('E');
    std::string mantissa = s.substr(0, e);
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0') mantissa.pop_back();
        if (mantissa.back() == '.') mantissa.pop_back();
    }
    if (mantissa == "-0") mantissa = "0";
    return e == std::string::npos ? mantissa : mantissa + s.substr(e);
}

std::string captionNumber(double value) {
    const std::string n = plainNumber(value);
    return n.front() == '-' ? n : " " + n;
}

std::string fileNumber(double value) {
    return captionNumber(value) + " ";
}

double roundHalfEven(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    double whole = std::floor(scaled);
    const double diff = scaled - whole;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return whole / scale;
}

PrintLine& PrintLine::text(std::string_view s) {
    text_.append(s);
    return *this;
}

int PrintLine::column() const {
    return static_cast<int>(text_.size()) + 1;
}

PrintLine& PrintLine::nextZone() {
    const int col = column();
    const int next = ((col - 1) / kPrintZoneWidth + 1) * kPrintZoneWidth + 1;
    text_.append(static_cast<std::size_t>(next - col), ' ');
    return *this;
}

std::string PrintLine::line() const {
    return text_ + std::string(kLineEnd);
}

}  // namespace morvel
