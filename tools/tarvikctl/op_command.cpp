#include "op_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "commands/block_commands.h"
#include "commands/operation_codec.h"
#include "commands/operation_table.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "input_file.h"
#include "json_text.h"
#include "link/link_errors.h"
#include "link/report_framing.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

using nlohmann::json;

const char* TypeName(const FieldSpec& f) {
  switch (f.type) {
    case FieldType::U8:
      return "u8";
    case FieldType::U16:
      return "u16";
    case FieldType::I16:
      return "i16";
    case FieldType::U32:
      return "u32";
    case FieldType::F32:
      return "f32";
    case FieldType::Bytes:
      return "bytes";
    case FieldType::Text:
      return "text";
    case FieldType::Pointer:
      return "buffer";
  }
  return "?";
}

const char* DirectionName(FieldDirection d) {
  switch (d) {
    case FieldDirection::In:
      return "in";
    case FieldDirection::Out:
      return "out";
    case FieldDirection::InOut:
      return "in/out";
    case FieldDirection::Untouched:
      return "unused";
  }
  return "?";
}

const OperationRow* Lookup(const std::string& text) {
  if (const std::optional<long long> number = ParseInteger(text, 0, kOperationCount - 1))
    return FindOperation(static_cast<int>(*number));
  return FindOperation(std::string_view(text));
}

int FieldIndex(const OperationRow& row, std::string_view name) {
  for (std::size_t i = 0; i < row.fields.size(); ++i)
    if (name == row.fields[i].name) return static_cast<int>(i);
  return -1;
}

// The first field with one of `roles`, -1 when the operation has none.
int FieldWith(const OperationRow& row, std::initializer_list<FieldRole> roles) {
  for (std::size_t i = 0; i < row.fields.size(); ++i)
    if (std::find(roles.begin(), roles.end(), row.fields[i].role) != roles.end())
      return static_cast<int>(i);
  return -1;
}

bool IsFirmwareTransfer(const OperationRow& row) {
  return FieldWith(row, {FieldRole::kImage}) >= 0;
}

// The field that says how many bytes lie behind the buffer, -1 when its
// size is fixed.
int LengthField(const OperationRow& row) {
  return FieldWith(row, {FieldRole::kCount, FieldRole::kSize});
}

// Stores `text` into field `index` of `params`; an error message when it
// does not fit the field.
std::string StoreField(const OperationRow& row, int index, const std::string& text,
                       CommandParams& params) {
  const FieldSpec& f = row.fields[index];
  uint8_t* at = params.data + FieldOffset(row.fields, static_cast<std::size_t>(index));
  auto putLe = [&](unsigned long long v, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
  };
  switch (f.type) {
    case FieldType::U8:
    case FieldType::U16:
    case FieldType::I16:
    case FieldType::U32: {
      const bool i16 = f.type == FieldType::I16;
      const long long high = f.type == FieldType::U8    ? 0xFF
                             : f.type == FieldType::U16 ? 0xFFFF
                             : i16                      ? 0x7FFF
                                                        : 0xFFFFFFFFll;
      const std::optional<long long> v = ParseInteger(text, i16 ? -0x8000 : 0, high);
      if (!v || f.count != 1)
        return "must be a number from " + std::to_string(i16 ? -0x8000 : 0) + " to " +
               std::to_string(high);
      putLe(static_cast<unsigned long long>(*v), static_cast<int>(WireSize(f)));
      return {};
    }
    case FieldType::F32: {
      std::size_t start = 0;
      for (int i = 0; i < f.count; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == f.count - 1))
          return "must be " + std::to_string(f.count) + " numbers separated by commas";
        const std::optional<float> v = ParseFloat(std::string_view(text).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!v) return "must be " + std::to_string(f.count) + " numbers separated by commas";
        std::memcpy(at + 4 * i, &*v, 4);
        start = comma + 1;
      }
      return {};
    }
    case FieldType::Bytes: {
      const auto bytes = ParseHex(text, f.count);
      if (!bytes) return "must be at most " + std::to_string(f.count) + " bytes in hex";
      std::memset(at, 0, f.count);
      std::memcpy(at, bytes->data(), bytes->size());
      return {};
    }
    case FieldType::Text:
      if (text.size() > f.count)
        return "must be at most " + std::to_string(f.count) + " characters";
      std::memset(at, 0, f.count + 1u);
      std::memcpy(at, text.data(), text.size());
      return {};
    case FieldType::Pointer:
      return "is a buffer: give it with --in FILE";
  }
  return "cannot be set";
}

json FieldValue(const OperationRow& row, std::size_t index, const CommandParams& params) {
  const FieldSpec& f = row.fields[index];
  const uint8_t* at = params.data + FieldOffset(row.fields, index);
  auto le = [&](int bytes) {
    unsigned long long v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<unsigned long long>(at[i]) << (8 * i);
    return v;
  };
  switch (f.type) {
    case FieldType::U8:
      return le(1);
    case FieldType::U16:
      return le(2);
    case FieldType::I16:
      return static_cast<int16_t>(le(2));
    case FieldType::U32:
      return le(4);
    case FieldType::F32: {
      json values = json::array();
      for (int i = 0; i < f.count; ++i) {
        float v;
        std::memcpy(&v, at + 4 * i, 4);
        values.push_back(v);
      }
      return values;
    }
    case FieldType::Bytes:
      return Hex(at, f.count);
    case FieldType::Text:
      return std::string(reinterpret_cast<const char*>(at),
                         strnlen(reinterpret_cast<const char*>(at), f.count));
    case FieldType::Pointer:
      return nullptr;
  }
  return nullptr;
}

// How many bytes the operation put behind its buffer field.
std::size_t BufferLength(const OperationRow& row, int pointer, const CommandParams& params) {
  if (row.fields[pointer].count > 0) return row.fields[pointer].count;
  const int i = LengthField(row);
  if (i < 0) return 0;
  return static_cast<std::size_t>(
      FieldValue(row, static_cast<std::size_t>(i), params).get<unsigned long long>());
}

// The most bytes the operation can take behind its buffer field: a fixed
// buffer's size, a block's 16-bit count as far as one message holds it, or a
// whole raw message.
std::size_t BufferCapacity(const OperationRow& row, int pointer) {
  if (row.fields[pointer].count > 0) return row.fields[pointer].count;
  if (FieldWith(row, {FieldRole::kCount}) >= 0) return block_commands::kMaxBlockCount;
  return kMaxMessageSize;
}

// The field that points at a buffer of ours, -1 when the operation has none.
int BufferField(const OperationRow& row) { return FieldWith(row, {FieldRole::kBuffer}); }

}  // namespace

int ListOps(Context& context) {
  json list = json::array();
  for (const OperationRow& row : kOperationTable) {
    if (row.id < 0) continue;
    json fields = json::array();
    for (std::size_t i = 0; i < row.fields.size(); ++i)
      fields.push_back({{"name", row.fields[i].name},
                        {"type", TypeName(row.fields[i])},
                        {"count", row.fields[i].count},
                        {"direction", DirectionName(DirectionOf(row, i))}});
    list.push_back({{"number", row.id},
                    {"name", row.name},
                    {"command", HexNumber(row.command, 4)},
                    {"fields", fields}});
  }
  if (context.json) {
    context.out << JsonText(json{{"schemaVersion", 1}, {"operations", list}});
    return kExitOk;
  }
  for (const json& op : list) {
    context.out << op["number"].get<int>() << "\t" << op["name"].get<std::string>();
    for (const json& f : op["fields"])
      context.out << " " << f["name"].get<std::string>() << ":" << f["type"].get<std::string>()
                  << "(" << f["direction"].get<std::string>() << ")";
    context.out << '\n';
  }
  return kExitOk;
}

int RunOp(Context& context, const OpRequest& request) {
  const OperationRow* row = Lookup(request.operation);
  if (row == nullptr)
    return Fail(context, kExitUsage,
                "no operation '" + request.operation + "'; see tarvikctl op --list");
  if (IsFirmwareTransfer(*row))
    return Fail(context, kExitUsage, std::string(row->name) + ": use tarvikctl firmware");
  if (request.selector < 0 || request.selector > 0xFF)
    return Fail(context, kExitUsage, "--selector must be 0 to 255");

  const int pointer = BufferField(*row);
  if (pointer < 0 && !(request.inFile.empty() && request.outFile.empty()))
    return Fail(context, kExitUsage,
                std::string(row->name) + " takes no buffer, so neither --in nor --out");

  CommandParams params;
  params.selector = static_cast<uint32_t>(request.selector);
  std::set<int> given;
  for (const std::string& word : request.fields) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos)
      return Fail(context, kExitUsage, "'" + Printable(word) + "' is not FIELD=VALUE");
    const std::string name = word.substr(0, equals);
    const int index = FieldIndex(*row, name);
    if (index < 0)
      return Fail(context, kExitUsage,
                  std::string(row->name) + " has no field '" + Printable(name) + "'");
    if (DirectionOf(*row, static_cast<std::size_t>(index)) == FieldDirection::Out)
      return Fail(context, kExitUsage, name + " is an output of " + row->name);
    if (!given.insert(index).second) return Fail(context, kExitUsage, name + " is given twice");
    const std::string error = StoreField(*row, index, word.substr(equals + 1), params);
    if (!error.empty()) return Fail(context, kExitUsage, name + " " + error);
  }

  // A buffer field points at memory of ours, filled from --in when given.
  std::vector<uint8_t> buffer(pointer >= 0 ? kMaxMessageSize : 0);
  if (pointer >= 0) {
    const std::size_t capacity = BufferCapacity(*row, pointer);
    const std::string what = std::string(row->name) + "'s " + row->fields[pointer].name;
    if (!request.inFile.empty()) {
      std::vector<uint8_t> bytes;
      if (const int code = ReadInputFile(context, request.inFile, capacity, what, &bytes))
        return code;
      std::memcpy(buffer.data(), bytes.data(), bytes.size());
      if (const int i = LengthField(*row); i >= 0 && !given.count(i)) {
        if (const std::string error = StoreField(*row, i, std::to_string(bytes.size()), params);
            !error.empty())
          return Fail(context, kExitNoInput,
                      Printable(request.inFile) + ": " + row->fields[i].name + " " + error);
      }
    }
    // A count the link could not send is refused here, before the device is reached.
    if (BufferLength(*row, pointer, params) > capacity)
      return Fail(context, kExitUsage,
                  what + " holds at most " + std::to_string(capacity) + " bytes");
    uint8_t* address = buffer.data();
    std::memcpy(params.data + FieldOffset(row->fields, static_cast<std::size_t>(pointer)), &address,
                sizeof address);
  }

  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  CHidDevCommApp& session = connection.Session();
  int result;
  StatusPair status;
  {
    std::lock_guard<std::recursive_mutex> guard(session.lock);
    session.params = params;
    result = session.Execute(row->id);
    params = session.params;
    status = session.statusPair;
  }

  json out = {{"schemaVersion", 1},
              {"operation", {{"number", row->id}, {"name", row->name}}},
              {"result", {{"code", result}, {"name", LinkErrorName(result)}}},
              {"status", {{"status", status.status}, {"detail", status.detail}}}};
  json values = json::object();
  if (result == LINK_OK) {
    for (std::size_t i = 0; i < row->fields.size(); ++i) {
      const FieldDirection d = DirectionOf(*row, i);
      if ((d == FieldDirection::Out || d == FieldDirection::InOut) &&
          row->fields[i].type != FieldType::Pointer)
        values[row->fields[i].name] = FieldValue(*row, i, params);
    }
    if (pointer >= 0 && !request.outFile.empty()) {
      const std::size_t length = std::min(BufferLength(*row, pointer, params), buffer.size());
      if (const int code = WriteOutputFile(context, request.outFile, buffer.data(), length))
        return code;
      values[row->fields[pointer].name] =
          request.outFile + " (" + std::to_string(length) + " bytes)";
    }
  }
  out["fields"] = values;

  if (context.json) {
    context.out << JsonText(out);
  } else {
    context.out << row->id << " " << row->name << ": " << LinkErrorName(result) << " (status "
                << HexNumber(static_cast<unsigned>(status.status), 2) << ", detail "
                << HexNumber(static_cast<unsigned>(status.detail), 2) << ")\n";
    for (const auto& [name, value] : values.items())
      context.out << "  " << name << " = " << ValueText(value) << '\n';
  }
  return result == LINK_OK ? kExitOk : kExitFailed;
}

namespace {

struct OpOptions {
  OpRequest request;
  bool list = false;
};

}  // namespace

void SetUpOpCommand(CLI::App& app, Invocation& run) {
  auto options = std::make_shared<OpOptions>();
  OpRequest& request = options->request;
  CLI::App* op = app.add_subcommand("op", "run any operation by name or number");
  op->add_flag("--list", options->list, "list every operation with its fields");
  op->add_option("OPERATION", request.operation, "operation name or number 0 to 166");
  op->add_option("FIELDS", request.fields, "FIELD=VALUE for each input field");
  op->add_option("--selector", request.selector,
                 "the record's selector (0 working settings, 1 second set)");
  op->add_option("--in", request.inFile, "file the operation's buffer or message is read from");
  op->add_option("--out", request.outFile, "file the operation's buffer or message is written to");
  op->callback([&run, options] {
    Context& context = run.context();
    if (options->list) {
      run.End(ListOps(context));
    } else if (options->request.operation.empty()) {
      run.End(Fail(context, kExitUsage, "op needs an OPERATION, or --list"));
    } else {
      context.changesDevice = true;
      run.RunOnDevices(
          [options](Context& one, const AttachedDevice&) { return RunOp(one, options->request); });
    }
  });
}

}  // namespace tarvik::ctl
