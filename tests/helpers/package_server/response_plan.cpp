#include "tests/helpers/package_server/response_plan.h"

#include <algorithm>

namespace package_server {
namespace {

constexpr std::uint32_t kPieceDelayMs = 5;

std::string PartialHead(std::size_t begin, std::size_t total, std::size_t bodyLength) {
  return "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\nContent-Length: " +
         std::to_string(bodyLength) + "\r\nContent-Range: bytes " + std::to_string(begin) + "-" +
         std::to_string(total == 0 ? 0 : total - 1) + "/" + std::to_string(total) +
         "\r\nConnection: close\r\n\r\n";
}

std::string WholeHead(std::size_t length) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: " + std::to_string(length) +
         "\r\nLast-Modified: Mon, 07 Dec 2026 08:00:00 GMT\r\nConnection: close\r\n\r\n";
}

Step Literal(std::string text, std::uint32_t delayMs = 0) {
  Step step;
  step.literal = std::move(text);
  step.delayMs = delayMs;
  return step;
}

// The body slice, paced to the configured rate in pieces every 50 ms.
void AddBody(std::vector<Step>& steps, std::size_t offset, std::size_t length, const ServerOptions& options) {
  const std::size_t piece =
      options.bytesPerSecond ? std::max<std::size_t>(options.bytesPerSecond / 20, 1) : length;
  for (std::size_t done = 0; done < length; done += piece) {
    Step step;
    step.offset = offset + done;
    step.length = std::min(piece, length - done);
    step.delayMs = options.bytesPerSecond ? 50 : 0;
    steps.push_back(step);
  }
}

std::size_t PartialLength(std::size_t bodyLength, const ServerOptions& options) {
  const std::size_t wanted = options.partialBytes ? options.partialBytes : bodyLength / 4;
  return std::max<std::size_t>(1, std::min(wanted, bodyLength));
}

std::vector<Step> SplitHead(const std::string& head, const std::string& package, std::size_t begin) {
  std::vector<Step> steps;
  constexpr std::size_t kPiece = 5;
  std::size_t at = 0;
  for (; at + kPiece < head.size(); at += kPiece)
    steps.push_back(Literal(head.substr(at, kPiece), kPieceDelayMs));
  const std::size_t bodyWithHead = std::min<std::size_t>(100, package.size() - begin);
  steps.push_back(Literal(head.substr(at) + package.substr(begin, bodyWithHead), kPieceDelayMs));
  if (begin + bodyWithHead < package.size()) {
    Step rest;
    rest.offset = begin + bodyWithHead;
    rest.length = package.size() - rest.offset;
    steps.push_back(rest);
  }
  return steps;
}

std::vector<Step> Misbehave(Behaviour behaviour, const std::string& package, std::size_t begin,
                            const ServerOptions& options) {
  std::vector<Step> steps;
  const std::size_t bodyLength = package.size() - begin;
  switch (behaviour) {
    case Behaviour::kRedirect:
      steps.push_back(
          Literal("HTTP/1.1 302 Found\r\nLocation: " + options.location + "\r\nContent-Length: 0\r\n\r\n"));
      break;
    case Behaviour::kGarbage:
      steps.push_back(Literal("SSH-2.0-OpenSSH 200 OK\r\nContent-Length: 5\r\n\r\nhello"));
      break;
    case Behaviour::kHugeHead: {
      std::string head = "HTTP/1.1 200 OK\r\n";
      while (head.size() < 70 * 1024) head += "X-Filler: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
      steps.push_back(Literal(head + "\r\n"));
      break;
    }
    case Behaviour::kStallBeforeHead:
      steps.push_back(Literal(""));
      steps.back().stall = true;
      break;
    case Behaviour::kWrongLength: {
      const std::size_t claimed = package.size() + 1000;
      steps.push_back(Literal(PartialHead(begin, claimed, claimed - begin)));
      AddBody(steps, begin, bodyLength, options);
      break;
    }
    case Behaviour::kWrongBody: {
      std::string body = package.substr(begin);
      if (!body.empty()) body[0] = static_cast<char>(body[0] ^ 0x5a);
      steps.push_back(Literal(PartialHead(begin, package.size(), bodyLength) + body));
      break;
    }
    case Behaviour::kStallMidBody:
    case Behaviour::kEarlyClose: {
      steps.push_back(Literal(PartialHead(begin, package.size(), bodyLength)));
      Step part;
      part.offset = begin;
      part.length = PartialLength(bodyLength, options);
      part.stall = behaviour == Behaviour::kStallMidBody;
      part.close = behaviour == Behaviour::kEarlyClose;
      steps.push_back(part);
      break;
    }
    default:
      break;
  }
  return steps;
}

}  // namespace

std::vector<Step> PlanResponse(Behaviour behaviour, const std::string& package, std::int64_t rangeOffset,
                               const ServerOptions& options) {
  const bool ranged = rangeOffset >= 0 && behaviour != Behaviour::kIgnoreRange;
  const std::size_t begin = ranged ? static_cast<std::size_t>(rangeOffset) : 0;
  if (behaviour == Behaviour::kRangeNotSatisfiable || begin >= package.size() + (ranged ? 0 : 1)) {
    return {Literal("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" +
                    std::to_string(package.size()) + "\r\nContent-Length: 0\r\n\r\n")};
  }
  const std::size_t bodyLength = package.size() - begin;
  const std::string head = ranged ? PartialHead(begin, package.size(), bodyLength) : WholeHead(bodyLength);
  std::vector<Step> steps;
  switch (behaviour) {
    case Behaviour::kNormal:
    case Behaviour::kIgnoreRange:
      steps.push_back(Literal(head));
      AddBody(steps, begin, bodyLength, options);
      return steps;
    case Behaviour::kSplitHead:
      return SplitHead(head, package, begin);
    case Behaviour::kHeadAlone:
      steps.push_back(Literal(head, 100));
      AddBody(steps, begin, bodyLength, options);
      return steps;
    default:
      return Misbehave(behaviour, package, begin, options);
  }
}

}  // namespace package_server
