// Definitions files generated for the tests, using every tag and attribute of the format.
#include "e2e/GeneratedModels.h"

namespace norvak::test {

namespace {

constexpr int perGroup = 24;

std::string number(int value) {
    return std::to_string(value);
}

// The element defined in place as member `k` of group `g` (element index i).
std::string elementDefinition(int g, int i) {
    const std::string n = number(i);
    const std::string id = "E" + n;
    switch (i % 12) {
    case 0:
        return "<Element ident=\"" + id + "\" name=\"field-" + n +
               "\" type=\"string\" physicalType=\"fixed\" length=\"" + number(1 + i % 40) +
               "\" lengthUnits=\"Characters\" justification=\"left justify\" padChar=\"SPACE\" tag=\"T" + n +
               "\" xmlName=\"x" + n +
               "\" interpretValue=\"Message Key\" TDSNullKey=\"literal\" TDSNullValue=\"NULL\" CWFNullKey=\"pad\" "
               "CWFNullValue=\"x\">\n"
               "      <Value ident=\"Red" + n + "\" type=\"string\" value=\"red " + n + "\" role=\"ENUM\"/>\n"
               "      <Value ident=\"Blue" + n + "\" name=\"blue-" + n + "\" type=\"string\" value=\"blue " + n +
               "\" role=\"enumeration\"/>\n"
               "      <Value ref=\"Shared0\" role=\"DEFAULT\"/>\n"
               "    </Element>";
    case 1:
        return "<Element ident=\"" + id + "\" type=\"string\" physicalType=\"Null Term\" xmlRender=\"attr\" xmlName=\"a" +
               n + "\"/>";
    case 2:
        return "<Element ident=\"" + id +
               "\" type=\"integer\" physicalType=\"Extended Decimal\" length=\"9\" precision=\"2\" "
               "signed=\"Separate Leading\" justification=\"R\" padChar=\"'0'\" signOrientation=\"Leading\" "
               "positiveSign=\"+\" negativeSign=\"-\" lengthUnits=\"Bytes\">\n"
               "      <Value ident=\"Min" + n + "\" type=\"integer\" value=\"-5\" role=\"MIN_INCL\"/>\n"
               "      <Value ident=\"Max" + n + "\" type=\"INT\" value=\"" + number(1000 + i) +
               "\" role=\"max_inclusive\"/>\n"
               "    </Element>";
    case 3:
        return "<Element ident=\"" + id +
               "\" type=\"int\" length=\"2\" byteAlignment=\"4\" xmlRender=\"ELEMENTATTRVAL\" xmlIDattrName=\"val\"/>";
    case 4:
        return "<Element ident=\"" + id + "\" type=\"FLOAT\" physicalType=\"Float\" length=\"8\" byteAlignment=\"8\" "
               "TDSNullKey=\"pad\"/>";
    case 5:
        return "<Element ident=\"" + id +
               "\" type=\"decimal\" physicalType=\"Packed Decimal\" length=\"6\" decimalPoint=\"2\"/>";
    case 6:
        return "<Element ident=\"" + id +
               "\" type=\"DEC\" physicalType=\"dec\" length=\"12\" justification=\"right\" padChar=\"0x20\" "
               "signed=\"Incl Trail\" decimalPoint=\"-3\"/>";
    case 7:
        return "<Element ident=\"" + id + "\" type=\"binary\" lengthRef=\"Cnt" + number(g) +
               "\" xmlMemberEncode=\"base64\" byteAlignment=\"2\"/>";
    case 8:
        return "<Element ident=\"" + id + "\" type=\"boolean\" physicalType=\"bool\" tag=\"B" + n + "\"/>";
    case 9:
        return "<Element ident=\"" + id +
               "\" type=\"datetime\" physicalType=\"mil\" xmlFormat=\"yyyy-MM-dd\" TDSFormat=\"yyyyMMdd\" tag=\"D" + n +
               "\"/>";
    case 10:
        return "<Element ident=\"" + id +
               "\" type=\"string\" length=\"5\" physicalType=\"fix\" xmlRender=\"IDVAL\" xmlIDattrName=\"k\" "
               "xmlIDattrValue=\"v" + n + "\"/>";
    default:
        return "<Element ident=\"" + id + "\" name='O&apos;Brien \"" + n + "\" \xC3\xBC' type=\"string\" length=\"" +
               number(1 + i % 250) + "\">\n"
               "      <Value ident=\"Odd" + n + "\" type=\"string\" value=\"&lt;a&gt; &amp; &#x9;tab 'q' &quot;d&quot; \xC3\xBC " +
               n + "\" role=\"DEFAULT\"/>\n"
               "    </Element>";
    }
}

// A use by reference, with per-use settings, of element i of an earlier group;
// empty for the kinds that are not used again.
std::string elementUse(int g, int i) {
    const std::string ref = "<Element ref=\"E" + number(i) + "\"";
    switch (i % 12) {
    case 0:
        return ref + " minOccurs=\"0\" maxOccurs=\"3\" length=\"7\" xmlName=\"m" + number(i) +
               "\" repeatElemDelim=\";\" justification=\"R\"/>";
    case 1:
        return ref + " repeat=\"4\" xmlRender=\"ELEMENT\"/>";
    case 3:
        return ref + " repeat=\"Cnt" + number(g) + "\" maxOccurs=\"*\"/>";
    case 4:
        return ref + " physicalType=\"Integer\" length=\"2\"/>";
    case 6:
        return ref + " length=\"20\" minOccurs=\"2\"/>";
    case 9:
        return ref + " xmlFormat=\"HH:mm\" physicalType=\"sec\"/>";
    default:
        return std::string();
    }
}

} // namespace

std::string generatedModel(int elements) {
    const int groups = (elements + perGroup - 1) / perGroup;
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- generated: every tag and attribute -->\n"
        "<ZEPImport messageSet=\"Generated\" typePrefix=\"T-\" elemSuffix=\"_e\" valuePrefix=\"v.\" "
        "msgPrefix=\"M-\" MaxElement=\"8192\"/>\n"
        "<CWFTab name=\"Cwf &quot;one&quot;\" ident=\"CWF1\" ccsid=\"500\"/>\n"
        "<CWFTab name=\"Cwf2\" ident=\"CWF2\"/>\n"
        "<TDSTab name=\"Tagged\" ident=\"TDS1\" msgStd=\"SWIFT\" groupInd=\"{\" groupTerm=\"}\" tagDataSep=\":\" "
        "tagLen=\"3\" decimalPoint=\",\" delimiter=\"|\" trimFix=\"Both\" escapeChar=\"?\" reservedChars=\"+:'\" "
        "outputCompress=\"AL3\" inputCompress=\"SimpleAL3CharCompress\" boolTrue=\"J\" boolFalse=\"N\" "
        "boolNull=\"-\" ccsid=\"1208\"/>\n"
        "<XMLTab name=\"Xml\" ident=\"XML1\" supXmlDecl=\"yes\" standaloneDoc=\"No\" supDocType=\"Y\" "
        "doctypeSystemId=\"sys.dtd\" doctypePublicId=\"-//N//DTD\" doctypeText=\"&lt;!ELEMENT a&gt;\" "
        "rootTagName=\"Root\" enableVersion=\"no\" boolTrue=\"true\" boolFalse=\"false\" encodeNullNum=\"NULLValue\" "
        "encodeNullNumVal=\"NaN\" encodeNullNonNum=\"NULLValAttr\" encodeNullNonNumVal=\"nil\"/>\n"
        "<Value ident=\"Shared0\" type=\"string\" value=\"none\"/>\n"
        "<Value ident=\"Unused\" name=\"never-used\" type=\"DATE\" value=\"2000-01-01\"/>\n";
    for (int g = 0; g < groups; ++g) {
        const std::string n = number(g);
        const bool choice = g % 5 == 4;
        text += "<Type ident=\"Grp" + n + "\" name=\"group-" + n + " \xC3\xBC\" composition=\"" +
                (choice ? "choice" : "Sequence") + "\" typeContent=\"" + (g % 3 == 0 ? "open" : "closed") + "\"" +
                (g % 7 == 1 ? " baseType=\"string\"" : "") + " dataElemSep=\"" +
                (g % 2 == 0 ? "TAGDELIM" : "Fixed Length") + "\" delimiter=\"" + (g % 2 ? ";" : "|") +
                "\" groupInd=\"[\" groupTerm=\"]\" tagDataSep=\"=\" tagLen=\"4\">\n";
        text += "    <Element ident=\"Cnt" + n + "\" type=\"integer\" length=\"2\" tag=\"C" + n + "\"/>\n";
        for (int i = g * perGroup; i < elements && i < (g + 1) * perGroup; ++i)
            text += "    " + elementDefinition(g, i) + "\n";
        if (g > 0) {
            text += "    <Type ref=\"Grp" + number(g - 1) + "\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n";
            text += "    <Element ident=\"Cx" + n + "\" type=\"Grp" + number(g - 1) + "\" tag=\"X" + n +
                    "\" xmlName=\"cx" + n + "\" minOccurs=\"1\" maxOccurs=\"1\"/>\n";
            for (int i = (g - 1) * perGroup; i < g * perGroup && i < elements; ++i)
                if (std::string use = elementUse(g, i); !use.empty())
                    text += "    " + use + "\n";
        }
        if (g >= 2 && (g - 2) % 4 == 0)
            text += "    <Message ref=\"Msg-" + number(g - 2) + "\" minOccurs=\"0\" maxOccurs=\"2\"/>\n";
        text += "</Type>\n";
        if (g % 4 == 0)
            text += "<Message ident=\"Msg-" + n + "\" name=\"Message " + n + "\" type=\"Grp" + n +
                    "\" messageKey=\"K" + n + "\"/>\n";
    }
    return text;
}

} // namespace norvak::test
