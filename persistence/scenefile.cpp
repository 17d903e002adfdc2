#include "persistence/scenefile.h"

#include "layers/renderable.h"
#include "layers/scenefields.h"
#include "persistence/atomicfile.h"
#include "persistence/counttext.h"
#include "persistence/layerxml.h"
#include "persistence/numbertext.h"
#include "persistence/scenelimits.h"
#include "persistence/xmlscan.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <tinyxml.h>

namespace {

// A scene setting's text in the root; empty for its default, which is not
// written.
std::string settingText(bool on)
{
    return on ? "1" : "";
}
std::string settingText(const ViewAs& view)
{
    return view.text();   // empty for Grey
}
std::string settingText(const drawingarea::Size& size)
{
    return size.text();   // empty for the start-up size
}

// A scene setting from its root attribute (null: none). As with "inverse",
// a number other than 0 is on; no number, or none at all, is off.
void readSetting(const char* text, bool* on, std::string*)
{
    int number = 0;
    *on = numbertext::parseInt(text, &number) && number != 0;
}
// A view that cannot be read is only a way of showing: the scene loads,
// shown grey, and the warning says why.
void readSetting(const char* text, ViewAs* view, std::string* warning)
{
    if (!text) return;
    std::string why;
    if (!ViewAs::parse(text, view, &why))
        *warning += (warning->empty() ? "" : "; ") + std::string("its view \"") + text + "\" reads as Grey (" + why + ")";
}
// A drawing area that cannot be read is the start-up one.
void readSetting(const char* text, drawingarea::Size* size, std::string* warning)
{
    if (!text) return;
    std::string why;
    if (!drawingarea::Size::parse(text, size, &why))
        *warning += (warning->empty() ? "" : "; ") + std::string("its drawing area \"") + text + "\" reads as " +
                    std::to_string(drawingarea::startWidth) + "x" + std::to_string(drawingarea::startHeight) + " (" +
                    why + ")";
}

std::unique_ptr<TiXmlDocument> buildDocument(const CompositionRef& scene, layerxml::Numbers numbers,
                                             const scenefile::CopyOrigin* origin = nullptr)
{
    auto document = std::make_unique<TiXmlDocument>();
    document->LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("Patternlens");
    // Only a setting other than its default is written: files that use none
    // keep their bytes.
    scenefields::forEachSceneField(
        [root](const scenefields::Field& field, const auto& value) {
            const std::string text = settingText(value);
            if (!text.empty()) root->SetAttribute(field.xmlName, text.c_str());
        },
        scene.settings);
    if (origin) {
        if (origin->titled) root->SetAttribute("scenePath", origin->scenePath.c_str());
        root->SetAttribute("editedAt", origin->editedAt.c_str());
        root->SetAttribute("currentLayer", origin->currentLayer.c_str());
    }
    document->LinkEndChild(root);
    auto* layers = new TiXmlElement("Layers");
    root->LinkEndChild(layers);
    if (scene.tree) layerxml::saveLayer(*scene.tree, layers, numbers);
    return document;
}

scenefile::ReadResult failure(std::string error)
{
    scenefile::ReadResult result;
    result.error = std::move(error);
    return result;
}

std::string tooLarge()
{
    return "refused: larger than the limit of " + std::to_string(scenelimits::maxSceneBytes >> 20) + " MiB";
}

// What kind of thing a path that is not a regular file names, for the
// message that refuses it.
std::string notARegularFile(mode_t mode)
{
    const char* kind = S_ISFIFO(mode) ? "a named pipe"
                       : S_ISCHR(mode) ? "a character device"
                       : S_ISBLK(mode) ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "not a file";
    return std::string("not a regular file (") + kind + ")";
}

// The whole file, or the reason it cannot be had. Only regular files are
// read: the file is opened without blocking (opening a named pipe for reading
// would otherwise wait for a writer that may never come) and refused at once
// when it is anything else. Symbolic links are followed. *systemError gets
// the error number of a failure the system reported (a directory is EISDIR).
bool readWholeFile(const std::string& path, std::string* contents, std::string* error, int* systemError)
{
    const auto systemFailure = [&](int number) {
        *error = std::strerror(number);
        *systemError = number;
        return false;
    };
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return systemFailure(errno);
    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int number = errno;
        close(fd);
        return systemFailure(number);
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        if (S_ISDIR(st.st_mode)) return systemFailure(EISDIR);
        *error = notARegularFile(st.st_mode);
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > scenelimits::maxSceneBytes) {
        close(fd);
        *error = tooLarge();
        return false;
    }
    // Back to blocking reads, which read a file to its end (one that grows
    // while it is read stops one byte past the size limit below).
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        const int number = errno;
        close(fd);
        return systemFailure(number);
    }
    contents->clear();
    char chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents->append(chunk, n);
        if (contents->size() > scenelimits::maxSceneBytes) {
            std::fclose(file);
            *error = tooLarge();
            return false;
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) return systemFailure(readError ? readError : EIO);
    return true;
}

// A chain of input layers nests three element levels per layer (Layer >
// Variables > Variable) below "Patternlens" > "Layers". The layers a depth
// admits, and the layers it takes to reach a depth.
int layersWithin(int depth)
{
    return depth > 2 ? (depth - 2) / 3 : 0;
}
int layersNestedIn(int depth)
{
    return depth > 2 ? (depth - 2 + 2) / 3 : 0;
}

// The "Layer" start tags of a document, by their text: enough of them to
// make a nesting that deep says the nesting is one of layers.
std::size_t layerTags(const std::string& document)
{
    std::size_t count = 0;
    for (std::size_t at = document.find("<Layer"); at != std::string::npos; at = document.find("<Layer", at + 6)) {
        const char next = at + 6 < document.size() ? document[at + 6] : '\0';
        if (next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\n') ++count;
    }
    return count;
}

// Text that is no XML at all (no markup before the first character that is
// not white space or a byte-order mark) is not a scene file, whatever the
// parser would call it.
bool looksLikeXml(const std::string& document)
{
    std::size_t i = 0;
    if (document.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
    while (i < document.size() && (document[i] == ' ' || document[i] == '\t' || document[i] == '\n' || document[i] == '\r'))
        ++i;
    return i < document.size() && document[i] == '<';
}

// Why a document of this shape is refused, or an empty string.
std::string shapeRefusal(const std::string& document, const xmlscan::Shape& limits, const xmlscan::Shape& shape)
{
    if (shape.deepestNesting > limits.deepestNesting) {
        // The scan stopped at the limit; the whole depth takes one more
        // scan, bounded by the file's size.
        xmlscan::Shape unbounded;
        unbounded.deepestNesting = std::numeric_limits<int>::max();
        unbounded.nodes = std::numeric_limits<std::size_t>::max();
        unbounded.depthWork = std::numeric_limits<std::size_t>::max();
        unbounded.mostAttributes = std::numeric_limits<int>::max();
        const int depth = xmlscan::measure(document.data(), document.size(), unbounded).deepestNesting;
        // Told in layers, which the user builds, when layers make the depth;
        // other elements are told as what they are.
        if (layerTags(document) >= static_cast<std::size_t>(layersNestedIn(depth)))
            return "nested " + counttext::grouped(layersNestedIn(depth)) + " layers deep; the limit is " +
                   counttext::grouped(layersWithin(limits.deepestNesting));
        return "elements nested too deep: " + counttext::grouped(depth) + " levels; the limit is " +
               counttext::grouped(limits.deepestNesting);
    }
    if (shape.nodes > limits.nodes)
        return "refused: more than " + std::to_string(limits.nodes) + " XML nodes";
    if (shape.depthWork > limits.depthWork)
        return "refused: too many XML nodes this deep (the depths of all nodes sum to more than " +
               std::to_string(limits.depthWork) + ")";
    if (shape.mostAttributes > limits.mostAttributes)
        return "refused: an element with more than " + std::to_string(limits.mostAttributes) + " attributes";
    return {};
}

// A document type definition before the root: the parser takes only its
// first '>' as its end, so one with declarations inside would otherwise be
// reported as a missing or broken root element.
bool hasDocumentType(const TiXmlDocument& xml)
{
    for (const TiXmlNode* node = xml.FirstChild(); node; node = node->NextSibling()) {
        if (node->ToElement()) return false;
        if (node->ToUnknown() && std::strncmp(node->Value(), "!DOCTYPE", 8) == 0) return true;
    }
    return false;
}

// The parser's error lies at the end of the text (it gives no place at
// all there, or a line past the last that holds anything) while elements are
// still open: the file was cut short.
bool endsTooEarly(const TiXmlDocument& xml, const std::string& document, const xmlscan::Shape& shape)
{
    if (shape.openAtEnd == 0) return false;
    if (xml.ErrorRow() <= 0) return true;
    const std::size_t last = document.find_last_not_of(" \t\r\n");
    const long long lastRow = 1 + std::count(document.begin(), document.begin() + (last == std::string::npos ? 0 : last), '\n');
    return xml.ErrorRow() > lastRow;
}

// Line ends become "\n", as the library does for the files it opens itself.
std::string normalizeLineEnds(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

namespace scenefile {

namespace {
xmlscan::Shape readerLimits()
{
    xmlscan::Shape limits;
    limits.deepestNesting = scenelimits::maxElementDepth;
    limits.nodes = scenelimits::maxNodes;
    limits.depthWork = scenelimits::maxDepthWork;
    limits.mostAttributes = scenelimits::maxAttributesPerElement;
    return limits;
}
} // namespace

std::string refusal(const std::string& document)
{
    if (document.size() > scenelimits::maxSceneBytes) return tooLarge();
    const xmlscan::Shape limits = readerLimits();
    return shapeRefusal(document, limits, xmlscan::measure(document.data(), document.size(), limits));
}

ReadResult parse(const std::string& raw)
{
    if (raw.size() > scenelimits::maxSceneBytes) return failure(tooLarge());
    const std::string document = normalizeLineEnds(raw);
    // The parser's stack, time and memory depend on the document's shape:
    // it is measured before the parser runs.
    const xmlscan::Shape limits = readerLimits();
    const xmlscan::Shape shape = xmlscan::measure(document.data(), document.size(), limits);
    if (const std::string refusal = shapeRefusal(document, limits, shape); !refusal.empty()) return failure(refusal);

    // The parser steps over a multi-byte UTF-8 sequence as a whole, by the
    // length its lead byte announces, even when the text ends inside it: a
    // lead byte just before the end steps past the terminating NUL and reads
    // on beyond the buffer. Trailing NULs, more than the longest step, keep
    // every such read inside the buffer and end the text there.
    std::string padded = document;
    padded.append(8, '\0');
    TiXmlDocument xml;
    xml.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (xml.Error() && !looksLikeXml(document)) {
        bool blank = true;
        for (char c : document) blank = blank && (c == ' ' || c == '\t' || c == '\n' || c == '\r');
        return failure(blank ? "not a scene file: the file is empty" : "not a scene file");
    }
    const TiXmlElement* root = xml.FirstChildElement("Patternlens");
    if ((xml.Error() || !root) && hasDocumentType(xml))
        return failure("document type definitions are not supported");
    if (xml.Error() && endsTooEarly(xml, document, shape))
        return failure("not well-formed XML: the file ends before its elements are closed");
    if (xml.Error())
        return failure(std::string("not well-formed XML: ") + xml.ErrorDesc() + " (line " +
                       std::to_string(xml.ErrorRow()) + ", column " + std::to_string(xml.ErrorCol()) + ")");
    if (!root) return failure("not a scene file: no \"Patternlens\" element");
    const TiXmlElement* layers = root->FirstChildElement("Layers");
    if (!layers) return failure("not a scene file: no \"Layers\" element");

    // Each base layer replaces the one before, so only the last one of a
    // known type is made; the others would be built only to be destroyed.
    const TiXmlElement* last = nullptr;
    for (const TiXmlElement* child = layers->FirstChildElement(); child; child = child->NextSiblingElement())
        if (layerxml::typeIdOf(child) >= 0) last = child;
    if (!last) return failure("the file holds no layer");

    ReadResult result;
    {
        const layerxml::LoadWarning warning(&result.warning);
        result.baseLayer.reset(layerxml::createLoadedLayer(last));
    }
    if (!result.baseLayer) {
        result.error = "the file holds no layer";
        return result;
    }
    scenefields::forEachSceneField(
        [root, &result](const scenefields::Field& field, auto& value) {
            readSetting(root->Attribute(field.xmlName), &value, &result.warning);
        },
        result.settings);
    applySettings(*result.baseLayer, result.settings);
    if (const char* editedAt = root->Attribute("editedAt")) {
        result.isCopy = true;
        result.origin.editedAt = editedAt;
        const char* scenePath = root->Attribute("scenePath");
        result.origin.titled = scenePath && *scenePath;
        if (result.origin.titled) result.origin.scenePath = scenePath;
        if (const char* current = root->Attribute("currentLayer")) result.origin.currentLayer = current;
    }
    return result;
}

ReadResult read(const std::string& path)
{
    std::string contents, error;
    int systemError = 0;
    if (!readWholeFile(path, &contents, &error, &systemError)) {
        ReadResult result = failure(error);
        result.systemError = systemError;
        return result;
    }
    return parse(contents);
}

namespace {
std::string documentText(const TiXmlDocument& document)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&buffer, &size);
    if (!memory) return {};
    document.SaveFile(memory);
    std::fclose(memory);
    std::string result(buffer, size);
    std::free(buffer);
    return result;
}

// Exact documents are no file's: not indented, since a chain of 1,000
// layers nests 3,000 elements deep, and indenting each line by its depth
// would make tens of megabytes of it.
std::string unindentedText(const TiXmlDocument& document)
{
    TiXmlPrinter printer;
    printer.SetIndent("");
    document.Accept(&printer);
    return std::string(printer.CStr(), printer.Size());
}

} // namespace

Composition ReadResult::composition()
{
    return Composition(std::move(baseLayer), settings);
}

std::string text(const CompositionRef& scene, layerxml::Numbers numbers)
{
    const std::unique_ptr<TiXmlDocument> document = buildDocument(scene, numbers);
    return numbers == layerxml::Numbers::exact ? unindentedText(*document) : documentText(*document);
}

std::string copyText(const CompositionRef& scene, const CopyOrigin& origin)
{
    return unindentedText(*buildDocument(scene, layerxml::Numbers::exact, &origin));
}

std::string write(const std::string& path, const CompositionRef& scene)
{
    const std::unique_ptr<TiXmlDocument> document = buildDocument(scene, layerxml::Numbers::sixDecimals);
    return atomicfile::replace(path, [&](std::FILE* file) {
        return document->SaveFile(file) ? std::string() : std::string(std::strerror(errno ? errno : EIO));
    });
}

} // namespace scenefile
