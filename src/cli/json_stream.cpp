#include "cli/json_stream.h"

#include <algorithm>

#include "cli/console_out.h"

namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

void ReportStream::Write(const char* data, size_t size) {
  if (m_pText) {
    m_pText->append(data, size);
    return;
  }
  m_strBlock.append(data, size);
  if (m_strBlock.size() >= kBlockSize) Flush();
}

void ReportStream::Flush() {
  if (m_pFile == nullptr || m_strBlock.empty()) return;
  if (!WriteText(m_pFile, m_strBlock)) m_bFailed = true;
  m_strBlock.clear();
}

bool ReportStream::Finish() {
  Flush();
  if (m_pFile && (std::fflush(m_pFile) != 0 || std::ferror(m_pFile))) m_bFailed = true;
  return !m_bFailed;
}

void WriteJson(ReportStream& out, const nlohmann::json& value) {
  out.Write(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void WriteJsonObject(ReportStream& out, const nlohmann::json& fields,
                     std::vector<StreamedMember> members) {
  const nlohmann::json::object_comparator_t before;
  std::sort(members.begin(), members.end(),
            [&](const StreamedMember& a, const StreamedMember& b) { return before(a.key, b.key); });
  auto member = members.begin();
  bool first = true;
  auto key = [&](const std::string& name) {
    out.Write(first ? "{" : ",", 1);
    first = false;
    WriteJson(out, name);
    out.Write(":", 1);
  };
  for (auto field = fields.begin(); field != fields.end(); ++field) {
    for (; member != members.end() && before(member->key, field.key()); ++member) {
      key(member->key);
      member->write(out);
    }
    key(field.key());
    WriteJson(out, field.value());
  }
  for (; member != members.end(); ++member) {
    key(member->key);
    member->write(out);
  }
  out.Write(first ? "{}" : "}", first ? 2 : 1);
}

ReportStream& JsonArray::Next() {
  if (!m_bFirst) m_out.Write(",", 1);
  m_bFirst = false;
  return m_out;
}
