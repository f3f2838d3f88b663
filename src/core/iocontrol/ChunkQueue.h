#pragma once
// Chunks from an IO board waiting to be handled. They are handled a bounded number per event-loop
// turn, so that a board sending faster than the window can follow never freezes it; beyond a bound
// the oldest waiting chunks are dropped (the newest show the board as it is now) and counted.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace tavrel {

inline constexpr std::size_t kChunksPerTurn = 32;
inline constexpr std::size_t kMaxWaitingChunks = 256;

template <typename Chunk>
class ChunkQueue {
  public:
    void push(Chunk chunk) {
        waiting_.push_back(std::move(chunk));
        while (waiting_.size() > kMaxWaitingChunks) {
            waiting_.pop_front();
            ++dropped_;
        }
    }
    // The oldest waiting chunks, at most one turn's worth, taken off the queue.
    std::vector<Chunk> takeTurn() {
        const std::size_t n = waiting_.size() < kChunksPerTurn ? waiting_.size() : kChunksPerTurn;
        std::vector<Chunk> turn;
        turn.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            turn.push_back(std::move(waiting_.front()));
            waiting_.pop_front();
        }
        return turn;
    }
    bool empty() const { return waiting_.empty(); }
    std::size_t waiting() const { return waiting_.size(); }
    std::uint64_t dropped() const { return dropped_; }
    // A new connection starts with nothing waiting and nothing dropped.
    void clear() {
        waiting_.clear();
        dropped_ = 0;
    }

  private:
    std::deque<Chunk> waiting_;
    std::uint64_t dropped_ = 0;
};

}  // namespace tavrel
