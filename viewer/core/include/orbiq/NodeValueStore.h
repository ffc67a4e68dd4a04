#pragma once
// The fifteen values carried by every node of the surface (mesh 1 of the surface file),
// with each value type's smallest and largest value over all nodes.

#include <array>
#include <string>
#include <vector>

// Value types: 0 "None", 1..15 the node values below. The workbench fills Vx with the
// strain, Vy with the strain rate (1/s), Vz and Ti with the fitted stress and T with the
// temperature (deg C) of the node.
inline constexpr int kValueTypeCount = 15;
inline constexpr int kValueNone = 0;
inline constexpr int kValueVx = 1;
inline constexpr int kValueVy = 2;
inline constexpr int kValueVz = 3;
inline constexpr int kValueT = 5;   // the temperature: coloured on a scale of its own

class NodeValueStore {
public:
    // Room for nNodes nodes, every value 0; nothing (node count 0) when nNodes < 2.
    void Allocate(int nNodes);
    int NodeCount() const { return m_nNodes; }

    // Stores node nNode (0..N-1) with its values of types 1..15. Node 0 sets every minimum
    // and maximum to its own values; a later node lowers a minimum or raises a maximum.
    // Ignored for a node outside 0..N-1.
    void Store(int nNode, const std::array<float, kValueTypeCount>& aValues);

    // Each gives 0.0 for a type outside 1..15 (and for a node outside 0..N-1).
    float ValueMin(int nType) const;
    float ValueMax(int nType) const;
    float NodeValue(int nNode, int nType) const;

    // "Vx" ... "M" for types 1..15, "None" for any other type.
    static std::string ValueName(int nType);

private:
    static bool IsType(int nType) { return nType >= 1 && nType <= kValueTypeCount; }

    int m_nNodes = 0;
    std::array<std::vector<float>, kValueTypeCount> m_aValues;   // per type, N values
    std::array<float, kValueTypeCount> m_aMin{};
    std::array<float, kValueTypeCount> m_aMax{};
};
