// template: the program's window template, one line per unit and its settings below it.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/handler_names.h"
#include "cli/cli.h"
#include "runtime/text_codec.h"
#include "runtime/windows/window_template.h"

namespace {

std::string Hex(uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", v);
  return buffer;
}

// Small numbers read best in decimal, colours and identifiers in hexadecimal.
std::string Number(int32_t v) {
  if (v >= -9999 && v <= 9999) return std::to_string(v);
  return Hex(static_cast<uint32_t>(v));
}

std::string Quoted(std::string_view gb) {
  std::string out(1, '"');
  out += runtime::GbToUtf8Lossy(gb);
  out += '"';
  return out;
}

// The game's handler that a reference names; empty for one the game does not hold.
std::string_view HandlerName(int32_t reference) {
  for (std::string_view name : template_bindings::kHandlerNames)
    if (runtime::HandlerReference(name) == reference) return name;
  return {};
}

// EVENT:HANDLER; "none" for -1, "?" and the number for a reference the game does not hold.
std::string Binding(const runtime::EventBinding& b) {
  std::string out = std::to_string(b.event);
  out += ':';
  std::string_view name = HandlerName(b.reference);
  if (b.reference == runtime::kNoHandler)
    out += "none";
  else if (!name.empty())
    out += name;
  else
    out.append("?").append(Hex(static_cast<uint32_t>(b.reference)));
  return out;
}

std::string_view FieldName(const runtime::TypeLayout* layout, int16_t property) {
  for (const auto& f : layout->fields)
    if (f.property == property) return f.name;
  return "?";
}

void PrintSettings(const runtime::UnitRecord& unit) {
  const runtime::UnitSettings& s = unit.settings;
  std::printf("    version %u", s.version);
  if (s.state == runtime::SettingsState::kVersionTooNew) std::printf(" (too new for its type)");
  if (s.state == runtime::SettingsState::kUnknownType) std::printf(" (unknown type)");
  std::printf("\n");
  const runtime::TypeLayout* layout = runtime::FindTypeLayout(unit.type);
  for (const runtime::SettingField& f : s.fields) {
    std::string value;
    switch (f.kind) {
      case runtime::FieldKind::kNumber:
        value = FieldName(layout, f.property).find("colour") != std::string_view::npos
                    ? Hex(static_cast<uint32_t>(f.number))
                    : Number(f.number);
        break;
      case runtime::FieldKind::kString:
        value = Quoted(f.bytes);
        break;
      case runtime::FieldKind::kBuffer:
        value = f.bytes.empty() ? "empty" : std::to_string(f.bytes.size()) + " bytes";
        break;
    }
    std::printf("    %s (%d) %s\n", std::string(FieldName(layout, f.property)).c_str(), f.property,
                value.c_str());
  }
}

void PrintTemplate(const runtime::WindowTemplate& t) {
  for (const runtime::WindowRecord& w : t.windows) {
    for (const runtime::UnitRecord& u : w.units) {
      std::string line = Hex(w.id);
      for (const std::string& part :
           {Hex(u.id), std::string(runtime::UnitTypeName(u.type)), Quoted(u.name),
            std::to_string(u.left), std::to_string(u.top), std::to_string(u.width),
            std::to_string(u.height), std::string(u.Visible() ? "visible" : "hidden")})
        line.append(" ").append(part);
      for (const auto& b : u.bindings) line.append(" ").append(Binding(b));
      std::printf("%s\n", line.c_str());
      PrintSettings(u);
    }
  }
}

int TemplateCommand(const cli::Arguments& args) {
  if (args.size() > 1) return cli::Refuse("template takes at most one block file");
  std::vector<uint8_t> fromFile;
  std::span<const uint8_t> block = runtime::EmbeddedWindowTemplate();
  if (args.size() == 1) {
    std::ifstream in(args[0], std::ios::binary);
    if (!in) return cli::Refuse("cannot read " + args[0]);
    fromFile.assign(std::istreambuf_iterator<char>(in), {});
    block = fromFile;
  }
  runtime::TemplateFault fault;
  auto read = runtime::ReadWindowTemplate(block, &fault);
  if (!read)
    return cli::Refuse("window template unreadable at byte " + std::to_string(fault.offset) + ": " +
                       fault.what);
  PrintTemplate(*read);
  return 0;
}

cli::Registration registration("template", "template [BLOCK-FILE]", TemplateCommand);

}  // namespace
