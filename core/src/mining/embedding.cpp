#include <tavlets/text_mining.hpp>

namespace tavlets {

// No English sentence model ships with this build; summaries take the keyword path.
std::shared_ptr<const SentenceEmbedding> englishSentenceEmbedding() { return nullptr; }

}  // namespace tavlets
