#include "maps/map_export.h"

#include <QBuffer>
#include <QDate>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>

#include "database/file_io.h"
#include "database/qra_names.h"
#include "maps/map_heading.h"

namespace morvel {

namespace {

const QColor kConfirmedFill(0, 128, 0);
const QColor kWorkedFill(249, 96, 79);
// Screen pixels: the 16-point square numbers keep their size against the map.
constexpr int kDotsPerInch = 96;

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return std::string(text);
}

MapSquare mapSquare(const SquareEntry& e, int lonIndex, int latIndex, int slot) {
    MapSquare s;
    s.square = {static_cast<char>('A' + lonIndex), static_cast<char>('A' + latIndex),
                static_cast<char>('0' + slot / 10), static_cast<char>('0' + slot % 10)};
    s.confirmed = e.isConfirmed();
    s.call = trimmed(e.callsignText());
    s.date = trimmed(e.dateText());
    s.locator = trimmed(e.locatorText());
    s.fill = s.confirmed ? kConfirmedFill : kWorkedFill;
    return s;
}

// Square edges lie on whole degrees.
void appendNumber(QByteArray& out, int value) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

// Latin-1 text as UTF-8, each character through `escape` first.
template <typename Escape>
void appendUtf8(QByteArray& out, std::string_view latin1, Escape escape) {
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (escape(out, c)) continue;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

void appendJsonString(QByteArray& out, std::string_view latin1) {
    out += '"';
    appendUtf8(out, latin1, [](QByteArray& o, unsigned char c) {
        if (c == '"' || c == '\\') {
            o += '\\';
            o += static_cast<char>(c);
        } else if (c < 0x20) {
            o += "\\u00";
            o += QByteArray::number(c, 16).rightJustified(2, '0');
        } else {
            return false;
        }
        return true;
    });
    out += '"';
}

void appendXmlText(QByteArray& out, std::string_view latin1) {
    appendUtf8(out, latin1, [](QByteArray& o, unsigned char c) {
        switch (c) {
            case '&':
                o += "&amp;";
                return true;
            case '<':
                o += "&lt;";
                return true;
            case '>':
                o += "&gt;";
                return true;
            default:
                // Control characters are not XML; a blank stands for them.
                if (c < 0x20 && c != '\n' && c != '\t') {
                    o += ' ';
                    return true;
                }
                return false;
        }
    });
}

// The call, date and locator, each after its label.
void appendContact(QByteArray& out, const MapSquare& s, std::array<const char*, 3> labels,
                   void (*append)(QByteArray&, std::string_view)) {
    const std::string* texts[] = {&s.call, &s.date, &s.locator};
    for (int k = 0; k < 3; ++k) {
        out += labels[k];
        append(out, *texts[k]);
    }
}

// The ring of a square's edges, counter-clockwise from the south-west
// corner and closed, longitude first: each point "open lon,lat close", the
// points apart by `separator`.
void appendRing(QByteArray& out, const int e[4], const char* open, const char* close,
                const char* separator) {
    const int ring[5][2] = {{e[0], e[1]}, {e[2], e[1]}, {e[2], e[3]}, {e[0], e[3]}, {e[0], e[1]}};
    for (int k = 0; k < 5; ++k) {
        if (k > 0) out += separator;
        out += open;
        appendNumber(out, ring[k][0]);
        out += ',';
        appendNumber(out, ring[k][1]);
        out += close;
    }
}

// The contact's day as KML's TimeStamp, which GIS tools and the globe's
// time slider read, and both texts as ExtendedData.
void appendKmlDate(QByteArray& out, const std::string& stored) {
    const std::string iso = isoDate(stored);
    if (!iso.empty())
        out += " <TimeStamp><when>" + QByteArray::fromStdString(iso) + "</when></TimeStamp>\n";
    out += " <ExtendedData><Data name=\"date\"><value>";
    out += QByteArray::fromStdString(iso);
    out += "</value></Data><Data name=\"stored_date\"><value>";
    appendXmlText(out, stored);
    out += "</value></Data></ExtendedData>\n";
}

// KML colours are aabbggrr; the squares a little transparent over the globe.
QString kmlColour(const QColor& c) {
    return QStringLiteral("b0%1%2%3")
        .arg(c.blue(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.red(), 2, 16, QLatin1Char('0'));
}

QString styleId(const QColor& c) {
    return QStringLiteral("fill") + c.name(QColor::HexRgb).mid(1);
}

bool writeRaster(QIODevice& file, const QString& path, const QByteArray& format,
                 const MapExport& map, double scale, Error& error) {
    const QSize pixels = (map.size * scale).toSize();
    QImage image(pixels, QImage::Format_RGB32);
    if (image.isNull()) {
        error = {path, QStringLiteral("not enough memory for a picture of %1x%2 pixels")
                           .arg(pixels.width())
                           .arg(pixels.height())};
        return false;
    }
    image.setDotsPerMeterX(qRound(kDotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(kDotsPerInch / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    map.draw(painter, map.size);
    painter.end();
    QImageWriter writer(&file, format);
    if (writer.write(image)) return true;
    error = {path, writer.errorString()};
    return false;
}

bool writeSvg(QIODevice& file, const MapExport& map, double scale) {
    const QSize pixels = (map.size * scale).toSize();
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(pixels);
    svg.setViewBox(QRect(QPoint(0, 0), pixels));
    svg.setResolution(kDotsPerInch);
    svg.setTitle(map.title);
    svg.setDescription(QStringLiteral("Morvel"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    painter.scale(scale, scale);
    map.draw(painter, map.size);
    return painter.end();
}

bool writePdf(QIODevice& file, const MapExport& map, double scale) {
    const QSizeF pixels = map.size * scale;
    QPdfWriter pdf(&file);
    pdf.setResolution(kDotsPerInch);
    pdf.setTitle(map.title);
    pdf.setCreator(QStringLiteral("Morvel"));
    // The page is the picture: its short side first, turned to landscape
    // when it is wider than high, so that viewers and printers know.
    const double toPoints = 72.0 / kDotsPerInch;
    const bool landscape = pixels.width() > pixels.height();
    const QSizeF portrait = landscape ? pixels.transposed() : pixels;
    const QPageSize page(portrait * toPoints, QPageSize::Point, QString(), QPageSize::ExactMatch);
    pdf.setPageLayout(QPageLayout(page, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                  QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&pdf)) return false;
    // The device may round the page to whole units: the map fills it.
    const QRect area = painter.viewport();
    painter.scale(area.width() / map.size.width(), area.height() / map.size.height());
    map.draw(painter, map.size);
    return painter.end();
}

bool saveBytes(const QString& path, const QByteArray& bytes, Error& error) {
    return saveWholeFile(
        path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}

}  // namespace

ExportFormat exportFormatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return ExportFormat::Png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return ExportFormat::Jpeg;
    if (suffix == QLatin1String("svg")) return ExportFormat::Svg;
    if (suffix == QLatin1String("pdf")) return ExportFormat::Pdf;
    if (suffix == QLatin1String("kml")) return ExportFormat::Kml;
    if (suffix == QLatin1String("geojson")) return ExportFormat::GeoJson;
    // Any other picture format Qt writes (.bmp, .ppm, ...), as before.
    if (QImageWriter::supportedImageFormats().contains(suffix.toLatin1()))
        return ExportFormat::OtherPicture;
    return ExportFormat::Unknown;
}

QString exportSuffixes() {
    return QStringLiteral(".png, .jpg, .jpeg, .svg, .pdf, .kml, .geojson");
}

QString exportDialogFilter() {
    return QStringLiteral(
        "PNG picture|*.png|JPEG picture|*.jpg;*.jpeg|SVG drawing|*.svg|PDF page|*.pdf|"
        "Google Earth (KML)|*.kml|GeoJSON|*.geojson");
}

std::vector<MapSquare> paintedSquares(const FieldRecord& record, int lonIndex, int latIndex) {
    std::vector<MapSquare> squares;
    for (int slot = 0; slot < FieldRecord::kSquares; ++slot) {
        const SquareEntry& e = record.entries[static_cast<std::size_t>(slot)];
        if (e.hasContact()) squares.push_back(mapSquare(e, lonIndex, latIndex, slot));
    }
    return squares;
}

std::vector<MapSquare> paintedSquares(std::span<const FieldRecord> records) {
    std::vector<MapSquare> squares;
    const int count = static_cast<int>(std::min<std::size_t>(kRecordCount, records.size()));
    for (int r = 0; r < count; ++r) {
        for (int slot = 0; slot < FieldRecord::kSquares; ++slot) {
            const SquareEntry& e =
                records[static_cast<std::size_t>(r)].entries[static_cast<std::size_t>(slot)];
            if (e.hasContact())
                squares.push_back(mapSquare(e, r / kFieldLetters, r % kFieldLetters, slot));
        }
    }
    return squares;
}

std::vector<MapSquare> paintedSquares(std::span<const std::vector<FieldRecord>> databases) {
    std::map<std::string, MapSquare> best;  // "AA00" on sorts as the file does
    for (const std::vector<FieldRecord>& records : databases)
        for (MapSquare& square : paintedSquares(std::span<const FieldRecord>(records))) {
            const auto [it, added] = best.try_emplace(square.square, square);
            if (!added && square.confirmed && !it->second.confirmed) it->second = std::move(square);
        }
    std::vector<MapSquare> squares;
    squares.reserve(best.size());
    for (auto& [name, square] : best) squares.push_back(std::move(square));
    return squares;
}

std::string isoDate(std::string_view ddmmyy) {
    if (ddmmyy.size() != 8 || ddmmyy[2] != '/' || ddmmyy[5] != '/') return {};
    int parts[3] = {};
    for (int k = 0; k < 3; ++k) {
        const char high = ddmmyy[3 * k], low = ddmmyy[3 * k + 1];
        if (high < '0' || high > '9' || low < '0' || low > '9') return {};
        parts[k] = 10 * (high - '0') + (low - '0');
    }
    const int year = parts[2] + (parts[2] >= 80 ? 1900 : 2000);
    const QDate date(year, parts[1], parts[0]);
    if (!date.isValid()) return {};
    return date.toString(Qt::ISODate).toStdString();
}

bool squareEdges(std::string_view square, int edges[4]) {
    if (square.size() != 4 || square[0] < 'A' || square[0] > 'R' || square[1] < 'A' ||
        square[1] > 'R' || square[2] < '0' || square[2] > '9' || square[3] < '0' || square[3] > '9')
        return false;
    edges[0] = -180 + 20 * (square[0] - 'A') + 2 * (square[2] - '0');
    edges[1] = -90 + 10 * (square[1] - 'A') + (square[3] - '0');
    edges[2] = edges[0] + 2;
    edges[3] = edges[1] + 1;
    return true;
}

QByteArray kmlDocument(std::span<const MapSquare> squares, const QString& title) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(squares.size()) * 400 + 1024);
    out +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>";
    // A name in any script.
    out += title.toHtmlEscaped().toUtf8();
    out += "</name>\n";
    // One style per colour the map paints.
    std::vector<QRgb> styled;
    for (const MapSquare& s : squares) {
        if (std::find(styled.begin(), styled.end(), s.fill.rgb()) != styled.end()) continue;
        styled.push_back(s.fill.rgb());
        out += "<Style id=\"" + styleId(s.fill).toLatin1() +
               "\"><LineStyle><color>ff000000</color><width>1</width></LineStyle>"
               "<PolyStyle><color>" +
               kmlColour(s.fill).toLatin1() + "</color></PolyStyle></Style>\n";
    }
    for (const MapSquare& s : squares) {
        int e[4];
        if (!squareEdges(s.square, e)) continue;
        const QByteArray style = styleId(s.fill).toLatin1();
        out += "<Placemark>\n <name>";
        out += s.square;
        out += "</name>\n <description>";
        out += s.confirmed ? "Confirmed" : "Worked";
        appendContact(out, s, {"\nCall: ", "\nDate: ", "\nLocator: "}, appendXmlText);
        out += "</description>\n";
        appendKmlDate(out, s.date);
        out += " <styleUrl>#" + style +
               "</styleUrl>\n <Polygon><tessellate>1</tessellate><outerBoundaryIs><LinearRing>"
               "<coordinates>";
        appendRing(out, e, "", ",0", " ");
        out += "</coordinates></LinearRing></outerBoundaryIs></Polygon>\n</Placemark>\n";
    }
    out += "</Document>\n</kml>\n";
    return out;
}

QByteArray geoJsonDocument(std::span<const MapSquare> squares) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(squares.size()) * 260 + 64);
    out += "{\"type\":\"FeatureCollection\",\"features\":[";
    bool first = true;
    for (const MapSquare& s : squares) {
        int e[4];
        if (!squareEdges(s.square, e)) continue;
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[";
        appendRing(out, e, "[", "]", ",");
        out += "]]},\"properties\":{\"square\":";
        appendJsonString(out, s.square);
        out += ",\"state\":";
        out += s.confirmed ? "\"confirmed\"" : "\"worked\"";
        out += ",\"call\":";
        appendJsonString(out, s.call);
        out += ",\"date\":";
        const std::string iso = isoDate(s.date);
        if (iso.empty())
            out += "null";
        else
            appendJsonString(out, iso);
        out += ",\"stored_date\":";
        appendJsonString(out, s.date);
        out += ",\"locator\":";
        appendJsonString(out, s.locator);
        out += "}}";
    }
    out += "\n]}\n";
    return out;
}

namespace {
bool writePicture(const QString& path, ExportFormat format, const MapExport& map, double scale,
                  Error& error);
}  // namespace

bool writeMapExport(const QString& path, const MapExport& map, double scale, Error& error) {
    const ExportFormat format = exportFormatFor(path);
    if (format == ExportFormat::Unknown) {
        error = {path, QStringLiteral("no picture format for this name (") + exportSuffixes() +
                           QLatin1Char(')')};
        return false;
    }
    // The geographic formats have no size.
    switch (format) {
        case ExportFormat::Kml:
            return saveBytes(path, kmlDocument(map.squares, map.title), error);
        case ExportFormat::GeoJson:
            return saveBytes(path, geoJsonDocument(map.squares), error);
        default:
            break;
    }
    const bool headed =
        format == ExportFormat::Png || format == ExportFormat::Svg || format == ExportFormat::Pdf;
    const MapExport drawn = headed ? withHeading(map, QDate::currentDate()) : MapExport();
    return writePicture(path, format, headed ? drawn : map, scale, error);
}

namespace {

bool writePicture(const QString& path, ExportFormat format, const MapExport& map, double scale,
                  Error& error) {
    const QSizeF pixels = map.size * scale;
    if (!(scale > 0) || pixels.width() < 1 || pixels.height() < 1 ||
        pixels.width() > kMaxExportPixels || pixels.height() > kMaxExportPixels) {
        error = {path, QStringLiteral("a picture of %1x%2 pixels; each side must be 1 to %3")
                           .arg(qRound(pixels.width()))
                           .arg(qRound(pixels.height()))
                           .arg(kMaxExportPixels)};
        return false;
    }
    // Made whole in memory first: the generators do not report a failed
    // write, and nothing reaches the disk before the drawing is done.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (format == ExportFormat::Png || format == ExportFormat::Jpeg ||
        format == ExportFormat::OtherPicture) {
        if (!writeRaster(buffer, path, QFileInfo(path).suffix().toLower().toLatin1(), map, scale,
                         error))
            return false;
    } else if (!(format == ExportFormat::Svg ? writeSvg(buffer, map, scale)
                                             : writePdf(buffer, map, scale))) {
        error = {path, QStringLiteral("the drawing could not be made")};
        return false;
    }
    return saveBytes(path, buffer.data(), error);
}

}  // namespace

}  // namespace morvel
