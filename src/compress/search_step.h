#pragma once

#include <cstdint>
#include <functional>

#include "compress/byte_buffer.h"
#include "compress/predictor_search.h"

/** What the later steps of a conversion need from the predictor search. */
struct SearchResult {
	ByteBuffer output; // Huffman coder output: 4-byte length prefix, then the compressed stream
	CompressionCandidate t_best;
	uint32_t n_rle_size;
};

/** Why the search step failed. */
struct SearchFailure {
	bool b_no_memory = false; // memory ran out, anywhere in the search
	char p_s_cause[256] = {}; // otherwise what failed, in plain words: a worker thread, a lock, a semaphore
};

/**
 *	What the caller reads from the plane block before prediction (the
 *	checksum of the raster it decodes to, which the header states), called
 *	once the planes are built and before the search codes its winner in them.
 */
typedef std::function<void(const uint8_t *p_planes)> PlaneReader;

/**
 *	@brief prepares the search and runs it on a worker pool of its own,
 *		which is stopped and released before this returns; the search keeps
 *		no working state afterwards
 *	@param[in] n_participant_num is the pool's size (the tool uses WorkerPool::n_DefaultParticipantNum())
 *	@param[out] p_failure receives the reason of a failure (null: not recorded)
 *	@return false when memory ran out or the pool failed, in any participant
 */
bool b_RunSearch(PredictorSearch &r_search, int n_participant_num, SearchResult &r_result,
	SearchFailure *p_failure = nullptr, const PlaneReader &r_read_planes = PlaneReader());
