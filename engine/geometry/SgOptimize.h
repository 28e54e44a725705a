#pragma once
class EnAVObject;
class EnMatrix3;
class EnNode;
class EnObjectNET;
class EnVector3;

// Load-time passes over a scene freshly exported from the modelling package.
//
// Names used below: the root R (the node passed in); the working parent N, the last node child
// of R; the working node G, the last node found among the children of R's node children
// (scanned node child by node child), so a child of N whenever N has node children.

// Strips the exporter's default lights from R (with bRemoveDefaultLights), moves every light of
// R and N to G and makes the lights that lit R or N light G instead, and moves R's z-buffer
// property and N's texture-mode and vertex-colour properties to G unless told to keep them.
// Returns G, or null (and changes nothing) when R, N or G is missing.
EnNode* OptimizeSceneGraph(EnNode* pRoot, bool bKeepRootZBuffer, bool bKeepTextureMode,
                           bool bKeepVertexColor, bool bRemoveDefaultLights);
// Merges sibling nodes that look alike into the first of them, subtrees first: the later
// node's children are appended to the earlier one and the later node leaves the tree (its slot
// stays, empty).
void MergeSiblingNodes(EnNode* pNode);

// Each component differs by strictly less than 0.0001.
bool VectorsNearlyEqual(const EnVector3& kA, const EnVector3& kB);
// Row by row with VectorsNearlyEqual.
bool MatricesNearlyEqual(const EnMatrix3& kA, const EnMatrix3& kB);
// Whether the object carries raw extra data whose text is exactly "fiducial": such a node
// marks a place the game looks up and is never merged.
bool IsFiducial(const EnObjectNET* pObject);
// Translate, rotate and scale exactly equal.
bool LocalTransformsEqual(const EnAVObject* pA, const EnAVObject* pB);
// The same properties by type: for every type both have none, or both have equal ones.
bool PropertiesEqual(const EnAVObject* pA, const EnAVObject* pB);
// Merges B into A when both are plain nodes (exactly EnNode) that are not fiducial and agree in
// local transform, properties, dynamic effects, name and culled flag and have no controllers
// (each node's controllers animate it alone). True when B was merged.
bool MergeNodePair(EnNode* pA, EnNode* pB);
// Every light in the subtree that lights the old node lights the new one instead.
void RetargetLights(EnNode* pSubtree, EnNode* pOld, EnNode* pNew);
