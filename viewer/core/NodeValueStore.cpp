#include "orbiq/NodeValueStore.h"

void NodeValueStore::Allocate(int nNodes) {
    m_nNodes = nNodes < 2 ? 0 : nNodes;
    for (std::vector<float>& aType : m_aValues)
        aType.assign(static_cast<std::size_t>(m_nNodes), 0.0f);
    m_aMin.fill(0.0f);
    m_aMax.fill(0.0f);
}

void NodeValueStore::Store(int nNode, const std::array<float, kValueTypeCount>& aValues) {
    if (nNode < 0 || nNode >= m_nNodes)
        return;
    for (std::size_t t = 0; t < aValues.size(); ++t) {
        const float f = aValues[t];
        m_aValues[t][static_cast<std::size_t>(nNode)] = f;
        if (nNode == 0) {
            m_aMin[t] = f;
            m_aMax[t] = f;
        } else {
            if (f < m_aMin[t])
                m_aMin[t] = f;
            if (f > m_aMax[t])
                m_aMax[t] = f;
        }
    }
}

float NodeValueStore::ValueMin(int nType) const { return IsType(nType) ? m_aMin[static_cast<std::size_t>(nType - 1)] : 0.0f; }

float NodeValueStore::ValueMax(int nType) const { return IsType(nType) ? m_aMax[static_cast<std::size_t>(nType - 1)] : 0.0f; }

float NodeValueStore::NodeValue(int nNode, int nType) const {
    if (!IsType(nType) || nNode < 0 || nNode >= m_nNodes)
        return 0.0f;
    return m_aValues[static_cast<std::size_t>(nType - 1)][static_cast<std::size_t>(nNode)];
}

std::string NodeValueStore::ValueName(int nType) {
    static const char* const aszNames[kValueTypeCount] = {"Vx",  "Vy",   "Vz",   "Ti",     "T",  "Def", "EpsX", "EpsY",
                                                          "EpsZ", "RoDisl", "S0", "Sx", "Sy", "Sz",  "M"};
    return IsType(nType) ? aszNames[nType - 1] : "None";
}
