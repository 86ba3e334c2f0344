#include "frei0r/EditorPanels.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace tonedot::frei0r {
namespace {

// A number with no more digits than it needs.  Choice values have 6 digits at most:
// Kdenlive matches a list's value against its choices as it prints a double, with 6.
std::string Num(double v, int digits = 10) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", digits, v == 0 ? 0.0 : v);  // no "-0"
    return text;
}
constexpr int kChoiceDigits = 6;

std::string Xml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// A JavaScript string in single quotes.
std::string Js(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

std::string Hex(double channel) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(std::lround(channel * 255)));
    return text;
}

bool IsPopup(const Frei0rParam& p) {
    return p.role == Frei0rRole::Value && p.type == Frei0rType::Double && p.info->kind == session::ParamKind::Popup;
}

std::string Group(const Frei0rParam& p) { return p.info ? p.info->group : std::string(); }

}  // namespace

std::string KdenliveEffect(const std::vector<Frei0rParam>& params, const PanelIdentity& identity) {
    std::ostringstream x;
    x << "<?xml version=\"1.0\"?>\n<!DOCTYPE kpartgui>\n"
      << "<!-- Made by the build from the filter's parameter table; values are frei0r values, shown in the effect's units. -->\n"
      << "<effect LC_NUMERIC=\"C\" tag=\"frei0r.tonedot\" id=\"frei0r.tonedot\">\n"
      << "    <name>" << Xml(identity.name) << "</name>\n"
      << "    <description>" << Xml(identity.summary) << "</description>\n"
      << "    <author>" << Xml(identity.maker) << "</author>\n";
    for (const Frei0rParam& p : params) {
        std::string comment;
        x << "    <parameter name=\"" << Xml(p.name) << "\"";
        if (p.role == Frei0rRole::Preset) {
            x << " type=\"url\" default=\"\" filter=\"*.ini|Presets (*.ini)\">\n";
        } else if (p.type == Frei0rType::Bool) {
            x << " type=\"bool\" default=\"" << Num(DefaultValue(p) >= 0.5 ? 1 : 0) << "\">\n";
        } else if (p.type == Frei0rType::Color) {
            const Frei0rColor c = DefaultColor(p);
            x << " type=\"color\" default=\"0x" << Hex(c.r) << Hex(c.g) << Hex(c.b) << "ff\">\n";
        } else if (IsPopup(p)) {
            std::string values, names;
            for (const auto& [name, value] : ChoiceValues(p)) {
                values += (values.empty() ? "" : ";") + Num(value, kChoiceDigits);
                std::string shown = name;
                for (char& c : shown)
                    if (c == ',') c = ' ';  // the names are separated by commas
                names += (names.empty() ? "" : ",") + shown;
            }
            x << " type=\"list\" default=\"" << Num(DefaultValue(p), kChoiceDigits) << "\" paramlist=\"" << Xml(values) << "\">\n"
              << "        <paramlistdisplay>" << Xml(names) << "</paramlistdisplay>\n";
        } else {
            // Kdenlive shows value x factor (22.12 takes no offset): a range that does not
            // start at 0 is shown counted from its start, and the comment says so.
            const Frei0rScale s = ScaleOf(p);
            x << " type=\"constant\" default=\"" << Num(s.value) << "\" min=\"" << Num(s.min - s.offset) << "\" max=\""
              << Num(s.max - s.offset) << "\" factor=\"" << Num(s.factor) << "\" decimals=\"" << s.decimals << "\"";
            if (!s.unit.empty() && s.offset == 0) x << " suffix=\"" << Xml(s.unit) << "\"";
            x << ">\n";
            if (s.offset != 0)
                comment = "Shown from " + Num(s.offset) + s.unit + ": the value is the number shown " +
                          (s.offset < 0 ? "minus " + Num(-s.offset) : "plus " + Num(s.offset)) + s.unit + ".";
        }
        x << "        <name>" << Xml(p.name) << "</name>\n";
        if (comment.empty()) comment = p.info ? std::string() : p.explanation;
        if (!Group(p).empty()) comment += (comment.empty() ? "" : " ") + ("In the group " + Group(p) + ".");
        if (!comment.empty()) x << "        <comment>" << Xml(comment) << "</comment>\n";
        x << "    </parameter>\n";
    }
    x << "</effect>\n";
    return x.str();
}

std::vector<const Frei0rParam*> ShotcutParams(const std::vector<Frei0rParam>& params) {
    std::string firstEffector;
    for (const Frei0rParam& p : params)
        if (firstEffector.empty() && Group(p).rfind("Effector", 0) == 0) firstEffector = Group(p);
    std::vector<const Frei0rParam*> shown;
    for (const Frei0rParam& p : params) {
        const bool own = p.role == Frei0rRole::Preset || p.role == Frei0rRole::FrameRate ||
                         p.role == Frei0rRole::StartFrame || p.role == Frei0rRole::RelativeSizes;
        if (own || (p.info && (Group(p).empty() || Group(p) == firstEffector))) shown.push_back(&p);
    }
    return shown;
}

std::string ShotcutMeta(const PanelIdentity& identity) {
    std::ostringstream q;
    q << "// Made by the build from the filter's parameter table.\n"
      << "import QtQuick 2.0\nimport org.shotcut.qml 1.0\n\n"
      << "Metadata {\n"
      << "    type: Metadata.Filter\n"
      << "    name: " << Js(identity.name) << "\n"
      << "    keywords: " << Js(identity.summary + " halftone dots") << "\n"
      << "    objectName: 'tonedot'\n"
      << "    mlt_service: 'frei0r.tonedot'\n"
      << "    qml: 'ui.qml'\n"
      << "}\n";
    return q.str();
}

std::string ShotcutUi(const std::vector<Frei0rParam>& params) {
    const std::vector<const Frei0rParam*> shown = ShotcutParams(params);
    std::ostringstream q;
    q << "// Made by the build from the filter's parameter table.  A value the user has not\n"
      << "// touched stays unset, so that the preset file's value holds.\n"
      << "import QtQuick 2.12\nimport QtQuick.Controls 2.12\nimport QtQuick.Dialogs 1.2\n"
      << "import QtQuick.Layouts 1.12\nimport Shotcut.Controls 1.0 as Shotcut\n\n"
      << "Item {\n"
      << "    width: 400\n"
      << "    height: " << 40 + 34 * shown.size() << "\n"
      << "    property bool blockUpdate: true\n"
      << "    // The frei0r value of a parameter, its default while the user has not set it.\n"
      << "    function value(name, fallback) {\n"
      << "        return filter.get(name) === '' ? fallback : filter.getDouble(name);\n"
      << "    }\n"
      << "    function put(name, v) {\n"
      << "        if (!blockUpdate) filter.set(name, v);\n"
      << "    }\n";
    std::ostringstream set, grid, names;
    int n = 0;
    for (const Frei0rParam* pp : shown) {
        const Frei0rParam& p = *pp;
        const std::string id = "c" + std::to_string(n++);
        const std::string name = Js(p.name);
        names << (names.tellp() > 0 ? ", " : "") << name;
        grid << "        Label {\n            text: qsTr(" << name << ")\n            Layout.alignment: Qt.AlignRight\n";
        grid << "        }\n";
        if (p.role == Frei0rRole::Preset) {
            set << "        " << id << ".text = filter.get(" << name << ");\n";
            grid << "        RowLayout {\n"
                 << "            TextField {\n"
                 << "                id: " << id << "\n"
                 << "                Layout.fillWidth: true\n"
                 << "                placeholderText: qsTr('a preset file (tonedot preset save)')\n"
                 << "                onEditingFinished: put(" << name << ", text)\n"
                 << "            }\n"
                 << "            Shotcut.Button {\n"
                 << "                text: qsTr('Open...')\n"
                 << "                onClicked: " << id << "Dialog.open()\n"
                 << "            }\n"
                 << "        }\n"
                 << "        FileDialog {\n"
                 << "            id: " << id << "Dialog\n"
                 << "            title: qsTr('Preset file')\n"
                 << "            nameFilters: [qsTr('Presets (*.ini)'), qsTr('All files (*)')]\n"
                 << "            onAccepted: {\n"
                 << "                " << id << ".text = decodeURIComponent(fileUrl.toString().replace(/^file:\\/\\//, ''));\n"
                 << "                put(" << name << ", " << id << ".text);\n"
                 << "            }\n"
                 << "        }\n";
        } else if (p.type == Frei0rType::Bool) {
            set << "        " << id << ".checked = value(" << name << ", " << Num(DefaultValue(p)) << ") >= 0.5;\n";
            grid << "        CheckBox {\n            id: " << id << "\n            onClicked: put(" << name
                 << ", checked ? 1 : 0)\n        }\n";
        } else if (p.type == Frei0rType::Color) {
            const Frei0rColor c = DefaultColor(p);
            set << "        " << id << ".value = filter.get(" << name << ") === '' ? '#" << Hex(c.r) << Hex(c.g) << Hex(c.b)
                << "' : filter.get(" << name << ");\n";
            grid << "        Shotcut.ColorPicker {\n            id: " << id << "\n            onValueChanged: put(" << name
                 << ", value)\n        }\n";
        } else if (IsPopup(p)) {
            std::string model, values;
            for (const auto& [choice, v] : ChoiceValues(p)) {
                model += (model.empty() ? "" : ", ") + ("qsTr(" + Js(choice) + ")");
                values += (values.empty() ? "" : ", ") + Num(v);
            }
            const std::size_t count = ChoiceValues(p).size();
            set << "        " << id << ".currentIndex = Math.min(" << count - 1 << ", Math.floor(value(" << name << ", "
                << Num(DefaultValue(p)) << ") * " << count << "));\n";
            grid << "        Shotcut.ComboBox {\n            id: " << id << "\n            implicitWidth: 200\n"
                 << "            model: [" << model << "]\n"
                 << "            onActivated: put(" << name << ", [" << values << "][index])\n        }\n";
        } else {
            const Frei0rScale s = ScaleOf(p);
            set << "        " << id << ".value = value(" << name << ", " << Num(s.value) << ") * " << Num(s.factor) << " + "
                << Num(s.offset) << ";\n";
            grid << "        Shotcut.SliderSpinner {\n            id: " << id << "\n"
                 << "            minimumValue: " << Num(s.min) << "\n            maximumValue: " << Num(s.max) << "\n"
                 << "            decimals: " << s.decimals << "\n"
                 << "            stepSize: " << Num(std::pow(10.0, -s.decimals)) << "\n";
            if (!s.unit.empty()) grid << "            suffix: " << Js(s.unit) << "\n";
            grid << "            onValueChanged: put(" << name << ", (value - " << Num(s.offset) << ") / " << Num(s.factor)
                 << ")\n        }\n";
        }
    }
    q << "    function setControls() {\n        blockUpdate = true;\n" << set.str() << "        blockUpdate = false;\n    }\n"
      << "    Component.onCompleted: setControls()\n\n"
      << "    GridLayout {\n        anchors.fill: parent\n        anchors.margins: 8\n        columns: 2\n\n"
      << "        Label {\n            text: qsTr('Saved')\n            Layout.alignment: Qt.AlignRight\n        }\n"
      << "        Shotcut.Preset {\n            parameters: [" << names.str() << "]\n"
      << "            onPresetSelected: setControls()\n        }\n"
      << grid.str() << "        Item {\n            Layout.fillHeight: true\n        }\n    }\n}\n";
    return q.str();
}

}  // namespace tonedot::frei0r
